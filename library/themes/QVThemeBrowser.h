#pragma once

#include "QVTheme.h"
#include "QVThemeBrowserDelegate.h"
#include "QVThemeDelegate.h"

#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UIImagePickerController.h"
#include "platform/UIKit/UITableViewController.h"

#include <vector>

namespace qv {

// The list of installed themes the editor opens to choose its icon image
// (browse type 0) or background image (1). A usable theme opens its detail
// screen; the image chosen there comes back through the theme, is stored
// in the settings here and announced to the editor. For backgrounds the
// photo library and the camera are offered too; "Reset" brings the stock
// image back.
class QVThemeBrowser : public UITableViewController, public QVThemeDelegate, public UIActionSheetDelegate,
                       public UIImagePickerControllerDelegate {
public:
    std::string className() const override { return "QVThemeBrowser"; }
    QVThemeBrowser(UITableViewStyle style, int32_t browseType);

    void viewDidLoad() override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;

    void themeSelectedImage(QVTheme* theme, RefPtr<UIImage> image, int32_t browseType) override;
    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex) override;
    void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker, const UIImagePickerInfo& info) override;
    void imagePickerControllerDidCancel(UIImagePickerController* picker) override;

    void cancelButtonClicked();
    void resetButtonClicked();
    void pickImageButtonClicked();
    void chooseExistingPhoto();
    void takePhoto();
    void presentImagePicker(const Ref<UIImagePickerController>& picker);
    Ref<UIImagePickerController> backgroundPicker();
    void getThemeList();

    int32_t browseType() const { return m_browseType; }
    RefPtr<QVThemeBrowserDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVThemeBrowserDelegate>& delegate) { m_delegate = delegate; }
    const std::vector<Ref<QVTheme>>& themes() const { return m_themes; }
    RefPtr<UIBarButtonItem> resetButton() const { return m_resetButton; }

protected:
    ~QVThemeBrowser() override = default;

private:
    void pickPhotoFromSource(UIImagePickerControllerSourceType source, const char* failure);

    Ref<QVDevice> m_device;
    Ref<QVSettings> m_settings;
    Ref<NSFileManager> m_fileManager;
    std::vector<Ref<QVTheme>> m_themes;
    RefPtr<UIBarButtonItem> m_cancelButton;
    RefPtr<UIBarButtonItem> m_resetButton;
    int32_t m_browseType;
    WeakPtr<QVThemeBrowserDelegate> m_delegate;
};

} // namespace qv
