#pragma once

#include "PSSpecifier.h"
#include "PSViewController.h"
#include "platform/UIKit/UITableView.h"

#include <string>
#include <vector>

namespace qv {

class NSArray;
class UISwitch;

// A page of rows built from specifiers: groups begin the sections, switch
// rows show their getter's truth and hand their setter a boolean number
// when toggled, link rows open the page of their detail class. The rows
// come from `specifiers`, which a subclass overrides to build them and
// keep them in the cached array (`_specifiers`); reloadSpecifiers drops
// the cache, asks again and redraws.
class PSListController : public PSViewController, public UITableViewDataSource, public UITableViewDelegate {
    QV_MAKE_REF_FRIEND;

public:
    std::string className() const override { return "PSListController"; }

    // The rows; here the cached array as it is (empty when none).
    virtual RefPtr<NSArray> specifiers();
    void reloadSpecifiers();
    // Rows from the bundle's specifier list "<name>.plist": its "items", each
    // a dictionary of "cell" (PSGroupCell, PSLinkCell, PSSwitchCell,
    // PSTitleValueCell, PSStaticTextCell), "label", "get" and "set" (selector
    // names on the target), "detail" (a page class name) and any further
    // properties; its "title" titles the page. A list that cannot be read
    // gives no rows, with a log line; an item of an unknown cell kind is
    // left out.
    Ref<NSArray> loadSpecifiersFromPlistName(const std::string& plistName, objc_object* target);

    // The rows as shown, with the specifier of each, section by section.
    RefPtr<UITableView> table() const { return m_table; }
    std::vector<Ref<PSSpecifier>> shownSpecifiers() const;
    // The switch of a switch row on screen, or null.
    RefPtr<UISwitch> switchForSpecifier(const PSSpecifier& specifier) const;

    void loadView() override;

    NSInteger numberOfSectionsInTableView(UITableView*) override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger section) override;
    std::optional<std::string> tableViewTitleForFooterInSection(UITableView*, NSInteger section) override;
    bool tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath*) override { return false; }
    void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;

protected:
    PSListController() = default;
    ~PSListController() override = default;

    // The cached rows; a subclass's `specifiers` fills it.
    RefPtr<NSArray> m_specifiers;

private:
    struct Section {
        RefPtr<PSSpecifier> group;
        std::vector<Ref<PSSpecifier>> rows;
    };

    // Asks `specifiers` through the runtime and sorts the rows into sections.
    void rebuildSections();
    RefPtr<PSSpecifier> specifierAt(const NSIndexPath* indexPath) const;
    void switchChanged(UISwitch* control);
    void openDetail(const PSSpecifier& specifier);

    RefPtr<UITableView> m_table;
    std::vector<Section> m_sections;
    bool m_sectionsBuilt = false;
};

// Defines PSViewController and PSListController in the object runtime (once
// per process), with initForContentSize: on PSViewController only on
// systems before 8 (UIDevice's system version).
void PSRegisterClasses();

} // namespace qv
