#include "QVThemeBrowser.h"

#include "model/QVThemeImages.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UINavigationController.h"

namespace qv {

namespace {

constexpr const char* chooseExistingTitle = "Choose Existing";
constexpr const char* takePhotoTitle = "Take Photo";

} // namespace

QVThemeBrowser::QVThemeBrowser(UITableViewStyle style, int32_t browseType)
    : UITableViewController(style)
    , m_device(QVDevice::currentDevice())
    , m_settings(QVSettings::currentSettings())
    , m_fileManager(NSFileManager::defaultManager())
    , m_browseType(browseType)
{
}

void QVThemeBrowser::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    m_themes.clear();
    Ref<UINavigationItem> item = navigationItem();
    m_cancelButton = makeRef<UIBarButtonItem>(UIBarButtonSystemItemCancel, this, &QVThemeBrowser::cancelButtonClicked);
    item->setLeftBarButtonItem(m_cancelButton);
    m_resetButton = makeRef<UIBarButtonItem>("Reset", UIBarButtonItemStylePlain, this, &QVThemeBrowser::resetButtonClicked);
    // Reset is offered only while a chosen image is shown; this is read
    // once, as the browser opens.
    if (m_browseType == QVBrowseTypeIconImage) {
        m_resetButton->setEnabled(!m_settings->iconImageReset());
        item->setRightBarButtonItem(m_resetButton);
    } else if (m_browseType == QVBrowseTypeBackgroundImage) {
        m_resetButton->setEnabled(!m_settings->backgroundImageReset());
        auto camera = makeRef<UIBarButtonItem>(UIBarButtonSystemItemCamera, this, &QVThemeBrowser::pickImageButtonClicked);
        item->setRightBarButtonItems({ m_resetButton.toRef(), camera });
    }
    setTitle("Themes");
    getThemeList();
}

void QVThemeBrowser::getThemeList()
{
    const std::string themes = m_settings->themePath();
    RefPtr<NSArray> listing = m_fileManager->contentsOfDirectoryAtPath(themes);
    if (!listing)
        return;
    for (const Ref<NSObject>& entry : listing->objects()) {
        bool isDirectory = false;
        if (!m_fileManager->fileExistsAtPath(stringWithFormat("%@/%@", themes, entry->description()), isDirectory) || !isDirectory)
            continue;
        auto theme = makeRef<QVTheme>(entry->description(), m_browseType);
        theme->setDelegate(WeakPtr<QVThemeDelegate>(this));
        m_themes.push_back(theme);
    }
}

NSInteger QVThemeBrowser::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    // With no themes one row says so.
    return m_themes.empty() ? 1 : static_cast<NSInteger>(m_themes.size());
}

Ref<UITableViewCell> QVThemeBrowser::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    auto cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, stringWithFormat("ThemeCell%li", static_cast<long>(indexPath->row())));
    const size_t row = static_cast<size_t>(indexPath->row());
    if (row >= m_themes.size()) {
        cell->textLabel()->setText("No Themes");
        cell->textLabel()->setTextColor(UIColor::grayColor());
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        return cell;
    }
    const Ref<QVTheme>& theme = m_themes[row];
    cell->textLabel()->setText(theme->name());
    cell->textLabel()->setTextColor(theme->isValid() ? UIColor::blackColor() : UIColor::grayColor());
    if (!theme->isValid())
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
    return cell;
}

void QVThemeBrowser::tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    const size_t row = static_cast<size_t>(indexPath->row());
    if (row >= m_themes.size() || !m_themes[row]->isValid())
        return;
    if (RefPtr<UINavigationController> navigation = navigationController())
        navigation->pushViewController(m_themes[row]->themeDetailView(), true);
}

void QVThemeBrowser::themeSelectedImage(QVTheme*, RefPtr<UIImage> image, int32_t browseType)
{
    // A file that does not decode gives no image: nothing changes and the
    // browser stays open for another choice.
    if (!image)
        return;
    if (browseType == QVBrowseTypeIconImage)
        m_settings->setCurrentIconImage(image);
    else if (browseType == QVBrowseTypeBackgroundImage)
        m_settings->setCurrentBackgroundImage(image);
    if (RefPtr<QVThemeBrowserDelegate> delegate = m_delegate.lock())
        delegate->themeBrowserDidFinishWithBrowseType(this, browseType);
}

void QVThemeBrowser::cancelButtonClicked()
{
    if (RefPtr<QVThemeBrowserDelegate> delegate = m_delegate.lock())
        delegate->themeBrowserDidCancel(this);
}

void QVThemeBrowser::resetButtonClicked()
{
    if (m_browseType == QVBrowseTypeIconImage)
        m_settings->resetCurrentIconImage();
    else if (m_browseType == QVBrowseTypeBackgroundImage)
        m_settings->resetCurrentBackgroundImage();
    if (RefPtr<QVThemeBrowserDelegate> delegate = m_delegate.lock())
        delegate->themeBrowserDidFinishWithBrowseType(this, m_browseType);
}

void QVThemeBrowser::pickImageButtonClicked()
{
    auto sheet = makeRef<UIActionSheet>(std::string(), WeakPtr<UIActionSheetDelegate>(this), std::string("Cancel"), std::nullopt,
        std::vector<std::string> { chooseExistingTitle, takePhotoTitle });
    sheet->showInView(view().ptr());
}

void QVThemeBrowser::actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex)
{
    const std::string title = sheet ? sheet->buttonTitleAtIndex(buttonIndex) : std::string();
    if (title == chooseExistingTitle)
        chooseExistingPhoto();
    else if (title == takePhotoTitle)
        takePhoto();
}

void QVThemeBrowser::pickPhotoFromSource(UIImagePickerControllerSourceType source, const char* failure)
{
    Ref<UIImagePickerController> picker = backgroundPicker();
    if (UIImagePickerController::isSourceTypeAvailable(source)) {
        picker->setSourceType(source);
        presentImagePicker(picker);
        return;
    }
    makeRef<UIAlertView>("Error", failure, WeakPtr<UIAlertViewDelegate>(), std::string("Ok"))->show();
}

void QVThemeBrowser::chooseExistingPhoto()
{
    pickPhotoFromSource(UIImagePickerControllerSourceTypePhotoLibrary, "Couldn't access photo library");
}

void QVThemeBrowser::takePhoto()
{
    pickPhotoFromSource(UIImagePickerControllerSourceTypeCamera, "Couldn't access camera");
}

void QVThemeBrowser::presentImagePicker(const Ref<UIImagePickerController>& picker)
{
    // On the iPad the browser is a popover, which the editor closes first.
    if (m_device->iPad())
        cancelButtonClicked();
    presentViewController(picker, true);
}

Ref<UIImagePickerController> QVThemeBrowser::backgroundPicker()
{
    auto picker = makeRef<UIImagePickerController>();
    picker->setDelegate(WeakPtr<UIImagePickerControllerDelegate>(this));
    return picker;
}

void QVThemeBrowser::imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker, const UIImagePickerInfo& info)
{
    auto found = info.find(UIImagePickerControllerOriginalImage);
    RefPtr<UIImage> image = found == info.end() ? nullptr : dynamicRefCast<UIImage>(RefPtr<Object>(found->second));
    // The picker is only offered for backgrounds.
    if (image)
        m_settings->setCurrentBackgroundImage(image);
    if (!picker)
        return;
    Ref<QVThemeBrowser> protectedThis(*this);
    picker->dismissViewControllerAnimated(true, [protectedThis, changed = static_cast<bool>(image)] {
        if (RefPtr<QVThemeBrowserDelegate> delegate = protectedThis->delegate(); delegate && changed)
            delegate->themeBrowserDidFinishWithBrowseType(protectedThis.ptr(), protectedThis->browseType());
    });
}

void QVThemeBrowser::imagePickerControllerDidCancel(UIImagePickerController* picker)
{
    if (picker)
        picker->dismissViewControllerAnimated(true);
}

} // namespace qv
