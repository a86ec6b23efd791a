#pragma once

#include "QVApplyLayoutControllerDelegate.h"
#include "platform/Preferences/PSViewController.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UITableView.h"

#include <string>

namespace qv {

// The Settings screen that assigns one layout to places: in home-screen
// mode (0) to the whole home screen ("CurrentLayout") or page by page
// ("Page%luLayout"), in folder mode (1) to single folders
// ("Folder_%@_Layout"). It writes nothing to the domain: each choice goes
// into the picker's pending settings and is told to the delegate; what a
// row shows is the pending value of its key, else the stored one.
//
// The pending settings and the folder list are shared with the picker and
// held here, so that a later folder-list reply or picker never frees them
// under the screen.
class QVApplyLayoutController : public PSViewController, public UITableViewDataSource, public UITableViewDelegate {
    QV_MAKE_REF_FRIEND;

public:
    enum Mode : int32_t { HomeScreen = 0, Folders = 1 };

    static void registerClass();

    // Null when the framework's initialiser answers nothing.
    static RefPtr<QVApplyLayoutController> create(CGSize contentSize, const std::string& layoutName, bool isFolderOptimized,
        RefPtr<NSArray> folderList, Ref<NSDictionary> cachedSettings, Mode mode, bool isDefaultLayout);

    std::string className() const override { return "QVApplyLayoutController"; }

    // The pending value of the key, else the stored one.
    RefPtr<NSObject> objectForKey(const std::string& key) const;
    // The file name the key's value names: the text before the first "//"
    // of a pending value (all of it without one), of a stored value only
    // when it has one.
    std::optional<std::string> layoutNameForKey(const std::string& key) const;
    void perPageContolValueChanged();
    // The folder list that SpringBoard's reply brought after the screen
    // was opened: in folder mode the rows show it at once, instead of
    // none until the screen is opened again.
    void folderListArrived(RefPtr<NSArray> folderList);
    // "Apply " and the layout's file name.
    std::string title() const;
    // The reference stored for the layout being applied.
    std::string layoutReference() const;

    RefPtr<QVApplyLayoutControllerDelegate> delegate() const { return m_delegate; }
    void setDelegate(RefPtr<QVApplyLayoutControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    RefPtr<UITableView> applyTableView() const { return m_applyTableView; }
    RefPtr<UISegmentedControl> perPageControl() const { return m_perPageControl; }

    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger section) override;
    NSInteger numberOfSectionsInTableView(UITableView*) override { return 1; }
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    bool tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath*) override { return false; }
    void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;

private:
    QVApplyLayoutController() = default;
    ~QVApplyLayoutController() override = default;

    void configure(CGSize contentSize, const std::string& layoutName, bool isFolderOptimized, RefPtr<NSArray> folderList,
        Ref<NSDictionary> cachedSettings, Mode mode, bool isDefaultLayout);
    bool perPage() const;
    // The title and preference key of a row.
    std::pair<std::string, std::string> row(NSInteger index) const;
    std::vector<std::string> folderNames() const;

    RefPtr<UITableView> m_applyTableView;
    RefPtr<NSDictionary> m_settings;
    std::string m_layoutName;
    Mode m_controllerMode = HomeScreen;
    RefPtr<UISegmentedControl> m_perPageControl;
    RefPtr<NSArray> m_folderList;
    bool m_isFolderOptimized = false;
    bool m_isDefault = false;
    RefPtr<QVApplyLayoutControllerDelegate> m_delegate;
};

} // namespace qv
