#pragma once

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UIToolbar.h"
#include "platform/UIKit/UIViewController.h"

#include <string>
#include <vector>

namespace qv {

// The modal screen that applies one layout to the home screen: as the one
// layout of the whole home screen ("Default") or to single pages
// ("Per-Page"). Each section is a slot showing the layout it holds now;
// tapping a slot puts the layout being applied there, and Save writes the
// slots of the shown mode to the shared preferences and tells SpringBoard.
class QVApplyLayout : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    std::string className() const override { return "QVApplyLayout"; }
    // The layout's file name (with ".plist") and the folder it lives in.
    QVApplyLayout(std::string layoutName, bool isDefaultLayout);

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) override;

    void configureView(bool first);
    void setViewSizeWithInterfaceOrientation(int64_t orientation);
    void refreshAppliedLayoutList();
    void dismiss();
    void pageOptionsControlChanged();
    void cancelButtonClicked();
    void saveButtonClicked();
    void updateSaveButton();

    // UITableViewDataSource and UITableViewDelegate
    NSInteger numberOfSectionsInTableView(UITableView*) override;
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger section) override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;

    // What the screen shows, for whoever looks at it.
    const std::vector<std::string>& appliedLayouts() const { return m_appliedLayouts; }
    CGRect viewFrame() const { return m_viewFrame; }
    RefPtr<UINavigationBar> navBar() const { return m_navBar; }
    RefPtr<UIToolbar> toolBar() const { return m_toolBar; }
    RefPtr<UITableView> applyTable() const { return m_applyTable; }
    RefPtr<UISegmentedControl> pageOptionsControl() const { return m_pageOptionsControl; }
    const std::string& layoutName() const { return m_layoutName; }
    bool layoutStateChanged() const { return m_layoutStateChanged; }
    // "<name>//DEFAULT" or "<name>//USER": what a tapped slot holds.
    std::string ownReference() const;

protected:
    ~QVApplyLayout() override = default;

private:
    enum Mode : int64_t { ModeDefault = 0, ModePerPage = 1 };

    int64_t selectedMode() const;
    // The stored reference of a slot, or the stock layout's, which is then
    // stored (and announced) in its place.
    std::string storedReferenceOrFallback(const std::string& key) const;
    void layOutViews();

    Ref<QVSettings> m_settings;
    Ref<QVDevice> m_device;
    std::vector<std::string> m_appliedLayouts;
    CGRect m_viewFrame = CGRectZero;
    RefPtr<UINavigationBar> m_navBar;
    RefPtr<UIToolbar> m_toolBar;
    RefPtr<UITableView> m_applyTable;
    RefPtr<UISegmentedControl> m_pageOptionsControl;
    std::string m_layoutName;
    int64_t m_originalControlState = ModeDefault;
    bool m_layoutStateChanged = false;
    bool m_isDefault = false;
};

} // namespace qv
