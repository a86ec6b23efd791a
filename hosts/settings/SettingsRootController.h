#pragma once

#include "PreferenceBundles.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UIViewController.h"

#include <vector>

namespace qv {

// The first screen of the Settings app: one row for each preference bundle
// of the device root; a tap opens the bundle's page.
class SettingsRootController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
    QV_MAKE_REF_FRIEND;

public:
    std::string className() const override { return "SettingsRootController"; }

    // Opens the bundle's page on top of this screen (taking away any page
    // shown before); null, with the reason, when it cannot be opened.
    RefPtr<PSViewController> openBundle(const PreferenceBundle& bundle, std::string& error);

    void loadView() override;
    void viewWillAppear(bool animated) override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;

private:
    SettingsRootController();

    RefPtr<UITableView> m_table;
    std::vector<PreferenceBundle> m_bundles;
};

} // namespace qv
