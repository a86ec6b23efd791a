#pragma once

#include "QVApplyLayoutControllerDelegate.h"
#include "platform/Preferences/PSViewController.h"
#include "platform/UIKit/UIActionSheetDelegate.h"
#include "platform/UIKit/UIAlertViewDelegate.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UITableView.h"
#include "model/QVLayout.h"
#include "platform/core/WeakPtr.h"

#include <string>

namespace qv {

class QVApplyLayoutController;

// The Settings screen "Layouts": every layout of the default and the user
// layouts folders with its thumbnail; applying one to the home screen, its
// pages or folders through the apply-layout screen, with the choices
// pending until Save; renaming and deleting the layouts the application
// made. It asks SpringBoard for the home screen's folder names when made.
//
// Two values live for the whole Settings process: the pending settings
// (made anew by each picker) and the folder list (replaced by each reply).
class QVLayoutPickerController : public PSViewController,
                                 public UITableViewDataSource,
                                 public UITableViewDelegate,
                                 public UIActionSheetDelegate,
                                 public UIAlertViewDelegate,
                                 public QVApplyLayoutControllerDelegate {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();

    static Ref<NSDictionary> cachedSettings();
    static RefPtr<NSArray> folderList();

    std::string className() const override { return "QVLayoutPickerController"; }

    // Keeps the list as the process's folder list, hands it to the apply
    // screen on display, and stops observing.
    void setFolderList(RefPtr<NSArray> list);
    void cancelButtonClicked(UIBarButtonItem* sender);
    void saveButtonClicked(UIBarButtonItem* sender);
    // Writes every pending choice, then tells the extension.
    void saveSettings();
    std::string title() const { return "Layouts"; }
    void reloadLayoutList();
    void sendSettings();
    void viewWillBecomeVisible(void* source) override;

    RefPtr<UIBarButtonItem> saveButton() const { return m_saveButton; }
    RefPtr<UIBarButtonItem> cancelButton() const { return m_cancelButton; }
    const std::vector<Ref<QVLayout>>& layouts() const { return m_layouts; }

    CGFloat tableViewHeightForRowAtIndexPath(UITableView*, NSIndexPath*) override;
    NSInteger numberOfSectionsInTableView(UITableView*) override { return 1; }
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger) override;
    bool tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    void tableViewCommitEditingStyle(UITableView* table, UITableViewCellEditingStyle style, NSIndexPath* indexPath) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;
    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex) override;
    void alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex) override;
    void applyLayoutControllerDidUpdateObject(QVApplyLayoutController* controller, NSObject* object, const std::string& key) override;

private:
    QVLayoutPickerController() = default;
    // A picker that goes stops observing, so that a late reply never
    // reaches it.
    ~QVLayoutPickerController() override;

    void setUp(CGSize contentSize);
    void setButtonsEnabled(bool enabled);
    RefPtr<QVLayout> layoutAt(const NSIndexPath* indexPath) const;
    void deleteLayoutInTableView(UITableView* table, NSIndexPath* indexPath);
    void showRenameAlert();
    void renameLayout(const std::string& typedName);
    void openApplyScreen(bool folders);
    // Sets every key that names the old reference to the new value: the
    // home screen's, the pages' and the listed folders'.
    void replaceReferences(const std::string& oldReference, const std::string& homeScreenValue, const std::string& folderValue);
    static void showError(const std::string& message);

    std::vector<Ref<QVLayout>> m_layouts;
    RefPtr<UITableView> m_layoutTable;
    RefPtr<NSIndexPath> m_lastSelectedIndexPath;
    CGSize m_contentSize {};
    RefPtr<UIBarButtonItem> m_saveButton;
    RefPtr<UIBarButtonItem> m_cancelButton;
    bool m_observing = false;
    // The apply screen this picker opened last, while it is shown: a
    // folder list that arrives meanwhile is handed to it.
    WeakPtr<QVApplyLayoutController> m_applyScreen;
};

} // namespace qv
