#include "QVLayoutPickerController.h"

#include "QVApplyLayoutController.h"
#include "model/QVDeviceType.h"
#include "model/QVLayout.h"
#include "model/QVLayoutKeys.h"
#include "model/QVLayoutPreview.h"
#include "model/QVLayoutReference.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UITextField.h"
#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

constexpr const char* applyToHomescreen = "Apply to Homescreen";
constexpr const char* applyToFolders = "Apply to Folders";
constexpr const char* deleteTitle = "Delete";
constexpr const char* renameTitle = "Rename";
constexpr const char* cancelTitle = "Cancel";
constexpr const char* renameErrorTitle = "Error renaming layout";

Ref<NSDictionary>& cachedSettingsStorage()
{
    static Ref<NSDictionary>* settings = new Ref<NSDictionary>(NSDictionary::create()); // lives as long as the process
    return *settings;
}

RefPtr<NSArray>& folderListStorage()
{
    static RefPtr<NSArray>* list = new RefPtr<NSArray>(); // lives as long as the process
    return *list;
}

void allFoldersCallback(CFNotificationCenterRef, void* observer, const std::string&, const void*, const void*)
{
    // The extension synchronised the list before it replied; this process
    // sees it after a synchronisation of its own.
    QVSharedPreferences::synchronize();
    RefPtr<NSArray> list = dynamicRefCast<NSArray>(QVSharedPreferences::copyValue(QVFolderListKey));
    // The picker removes its registration when it goes, so the observer is
    // alive here.
    protect(static_cast<QVLayoutPickerController*>(observer))->setFolderList(list);
}

// The file names of a layouts folder that end in "plist", as listed.
std::vector<std::string> layoutFileNames(const char* folder)
{
    std::vector<std::string> names;
    RefPtr<NSArray> contents = NSFileManager::defaultManager()->contentsOfDirectoryAtPath(folder);
    if (!contents)
        return names;
    for (const Ref<NSObject>& name : contents->objects()) {
        const std::string text = name->description();
        if (text.size() >= 5 && text.compare(text.size() - 5, 5, "plist") == 0)
            names.push_back(text);
    }
    return names;
}

std::string withoutSlashes(std::string text)
{
    std::erase(text, '/');
    return text;
}

} // namespace

void QVLayoutPickerController::registerClass()
{
    Class cls = objc_allocateClassPair<QVLayoutPickerController>(objc_getClass("PSViewController"), "QVLayoutPickerController");
    if (!cls) {
        logLine("QuiltvanePrefs: cannot define QVLayoutPickerController");
        return;
    }
    class_addMethod(cls, sel_registerName("initForContentSize:"), imp_implementationWithBlock([cls](QVLayoutPickerController* self, CGSize size) {
        RefPtr<Object> made = msgSendSuper<RefPtr<Object>>(objc_super { self, class_getSuperclass(cls) }, "initForContentSize:", size);
        if (made)
            self->setUp(size);
        return made;
    }));
    objc_registerClassPair(cls);
}

Ref<NSDictionary> QVLayoutPickerController::cachedSettings()
{
    return cachedSettingsStorage();
}

RefPtr<NSArray> QVLayoutPickerController::folderList()
{
    return folderListStorage();
}

QVLayoutPickerController::~QVLayoutPickerController()
{
    if (m_observing)
        CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), this);
}

void QVLayoutPickerController::setUp(CGSize contentSize)
{
    // What the rows and the apply screens show of the stored choices is
    // what other processes stored last.
    QVSharedPreferences::synchronize();
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    CFNotificationCenterAddObserver(center, this, allFoldersCallback, QVAllFoldersNotification, nullptr,
        CFNotificationSuspensionBehaviorDeliverImmediately);
    m_observing = true;
    QVSharedPreferences::postNotification(QVGetAllFoldersNotification);
    m_contentSize = contentSize;
    setTitle(title());
    const uint64_t stretch = UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight;
    view()->setAutoresizesSubviews(true);
    view()->setAutoresizingMask(stretch);
    m_layouts.clear();
    cachedSettingsStorage() = NSDictionary::create();
    reloadLayoutList();

    m_cancelButton = makeRef<UIBarButtonItem>(UIBarButtonSystemItemCancel, this, &QVLayoutPickerController::cancelButtonClicked);
    m_saveButton = makeRef<UIBarButtonItem>(UIBarButtonSystemItemSave, this, &QVLayoutPickerController::saveButtonClicked);
    setButtonsEnabled(false);
    navigationItem()->setRightBarButtonItems({ Ref<UIBarButtonItem>(*m_saveButton), Ref<UIBarButtonItem>(*m_cancelButton) }, false);

    m_layoutTable = makeRef<UITableView>(CGRectMake(0, 0, contentSize.width, contentSize.height), UITableViewStyleGrouped);
    m_layoutTable->setDelegate(WeakPtr<UITableViewDelegate>(this));
    m_layoutTable->setDataSource(WeakPtr<UITableViewDataSource>(this));
    m_layoutTable->setAutoresizesSubviews(true);
    m_layoutTable->setAutoresizingMask(stretch);
    if (class_respondsToSelector(object_getClass(this), sel_registerName("setView:")))
        setView(m_layoutTable);
}

void QVLayoutPickerController::setFolderList(RefPtr<NSArray> list)
{
    folderListStorage() = list;
    if (RefPtr<QVApplyLayoutController> screen = m_applyScreen.lock())
        screen->folderListArrived(std::move(list));
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), this);
    m_observing = false;
}

void QVLayoutPickerController::setButtonsEnabled(bool enabled)
{
    if (m_saveButton)
        m_saveButton->setEnabled(enabled);
    if (m_cancelButton)
        m_cancelButton->setEnabled(enabled);
}

void QVLayoutPickerController::cancelButtonClicked(UIBarButtonItem* sender)
{
    if (!sender || sender != m_cancelButton.get())
        return;
    cachedSettingsStorage()->removeAllObjects();
    setButtonsEnabled(false);
}

void QVLayoutPickerController::saveButtonClicked(UIBarButtonItem* sender)
{
    if (sender && sender == m_saveButton.get())
        saveSettings();
}

void QVLayoutPickerController::saveSettings()
{
    setButtonsEnabled(false);
    Ref<NSDictionary> pending = cachedSettingsStorage();
    for (const auto& [key, value] : pending->entries())
        QVSharedPreferences::setValue(key, value);
    pending->removeAllObjects();
    sendSettings();
}

void QVLayoutPickerController::reloadLayoutList()
{
    std::vector<std::string> userNames = layoutFileNames(QVUserLayoutsFolder);
    std::vector<std::string> defaultNames = layoutFileNames(QVDefaultLayoutsFolder);
    m_layouts.clear();
    for (const std::string& name : defaultNames)
        m_layouts.push_back(QVLayout::create(name, true));
    for (const std::string& name : userNames)
        m_layouts.push_back(QVLayout::create(name, false));
    if (m_layoutTable)
        m_layoutTable->reloadData();
}

void QVLayoutPickerController::sendSettings()
{
    QVSharedPreferences::synchronizeAndPost(QVSettingsChangedNotification);
}

void QVLayoutPickerController::viewWillBecomeVisible(void* source)
{
    PSViewController::viewWillBecomeVisible(source);
    QVSharedPreferences::synchronize();
    reloadLayoutList();
}

RefPtr<QVLayout> QVLayoutPickerController::layoutAt(const NSIndexPath* indexPath) const
{
    if (!indexPath || indexPath->row() < 0 || static_cast<size_t>(indexPath->row()) >= m_layouts.size())
        return nullptr;
    return m_layouts[static_cast<size_t>(indexPath->row())].ptr();
}

CGFloat QVLayoutPickerController::tableViewHeightForRowAtIndexPath(UITableView*, NSIndexPath*)
{
    switch (currentDeviceType()) {
    case QVDeviceTypeiPad:
    case QVDeviceTypeiPhone5_5Inch:
        return 80;
    case QVDeviceTypeiPhone4Inch:
    case QVDeviceTypeiPhone4_7Inch:
        return 70;
    default:
        return 60;
    }
}

NSInteger QVLayoutPickerController::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    return static_cast<NSInteger>(m_layouts.size());
}

bool QVLayoutPickerController::tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    return layout && layout->QV();
}

void QVLayoutPickerController::tableViewCommitEditingStyle(UITableView* table, UITableViewCellEditingStyle style, NSIndexPath* indexPath)
{
    if (style == UITableViewCellEditingStyleDelete)
        deleteLayoutInTableView(table, indexPath);
}

Ref<UITableViewCell> QVLayoutPickerController::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    Ref<UITableViewCell> cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, std::nullopt);
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout)
        return cell;
    cell->textLabel()->setText(layout->layoutName());
    cell->textLabel()->setTextColor(layout->QV() ? UIColor::blackColor() : UIColor::grayColor());
    cell->setAccessoryView(layout->layoutPreview());
    return cell;
}

void QVLayoutPickerController::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!table || !layout)
        return;
    m_lastSelectedIndexPath = protect(indexPath);
    std::vector<std::string> others { applyToFolders };
    if (!layout->folderLayout())
        others.push_back(applyToHomescreen);
    if (layout->QV())
        others.push_back(renameTitle);
    std::optional<std::string> destructive = layout->QV() ? std::optional<std::string>(deleteTitle) : std::nullopt;
    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", WeakPtr<UIActionSheetDelegate>(this), cancelTitle, destructive, others);
    const CGRect rect = table->convertRectToView(table->rectForRowAtIndexPath(indexPath), view().ptr());
    sheet->showFromRect(rect, view().ptr(), true);
    table->deselectRowAtIndexPath(indexPath, true);
}

void QVLayoutPickerController::actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex)
{
    if (!sheet)
        return;
    const std::string title = sheet->buttonTitleAtIndex(buttonIndex);
    if (title == applyToHomescreen || title == applyToFolders)
        openApplyScreen(title == applyToFolders);
    else if (title == deleteTitle)
        deleteLayoutInTableView(m_layoutTable.get(), m_lastSelectedIndexPath.get());
    else if (title == renameTitle)
        showRenameAlert();
}

void QVLayoutPickerController::openApplyScreen(bool folders)
{
    RefPtr<QVLayout> layout = layoutAt(m_lastSelectedIndexPath.get());
    if (!layout)
        return;
    RefPtr<QVApplyLayoutController> screen = QVApplyLayoutController::create(m_contentSize, layout->layoutName(), layout->folderLayout(),
        folderListStorage(), cachedSettingsStorage(), folders ? QVApplyLayoutController::Folders : QVApplyLayoutController::HomeScreen,
        layout->defaultLayout());
    if (!screen)
        return;
    screen->setDelegate(RefPtr<QVApplyLayoutControllerDelegate>(this));
    m_applyScreen = screen;
    pushController(screen);
}

void QVLayoutPickerController::replaceReferences(const std::string& oldReference, const std::string& homeScreenValue, const std::string& folderValue)
{
    auto replace = [&](const std::string& key, const std::string& value) {
        if (QVSharedPreferences::stringForKey(key) == oldReference)
            QVSharedPreferences::setValue(key, NSString::create(value));
    };
    replace(QVCurrentLayoutKey, homeScreenValue);
    for (uint64_t page = 0; page < QVPageLayoutKeyCount; ++page)
        replace(QVPageLayoutPreferenceKey(page), homeScreenValue);
    for (const std::string& folder : QVSharedPreferences::stringArrayValue(folderListStorage().get()).value_or(std::vector<std::string>()))
        replace(QVFolderLayoutPreferenceKey(folder), folderValue);
}

void QVLayoutPickerController::deleteLayoutInTableView(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout || !layout->layoutPath())
        return;
    Ref<NSFileManager> files = NSFileManager::defaultManager();
    files->removeItemAtPath(*layout->layoutPath());
    // A file that is still there stays listed and applied.
    if (files->fileExistsAtPath(*layout->layoutPath())) {
        logLine("QuiltvanePrefs: could not delete " + *layout->layoutPath());
        return;
    }
    m_layouts.erase(m_layouts.begin() + indexPath->row());
    if (table) {
        table->beginUpdates();
        table->deleteRowsAtIndexPaths({ Ref<NSIndexPath>(*indexPath) }, UITableViewRowAnimationAutomatic);
        table->endUpdates();
    }
    // Compared with what other processes stored last.
    QVSharedPreferences::synchronize();
    replaceReferences(QVLayoutReference::referenceString(layout->layoutName(), layout->defaultLayout()), QVBareDefaultLayoutValue,
        QVBareDefaultFolderLayoutValue);
    cachedSettingsStorage()->removeAllObjects();
    saveSettings();
}

void QVLayoutPickerController::showRenameAlert()
{
    RefPtr<QVLayout> layout = layoutAt(m_lastSelectedIndexPath.get());
    if (!layout)
        return;
    Ref<UIAlertView> alert = makeRef<UIAlertView>("Rename Layout", "What would you like to name this layout?",
        WeakPtr<UIAlertViewDelegate>(this), cancelTitle, std::vector<std::string> { renameTitle });
    alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
    if (RefPtr<UITextField> field = alert->textFieldAtIndex(0)) {
        field->setPlaceholder("Layout Name");
        field->setText(stringByDeletingPathExtension(layout->layoutName()));
    }
    alert->show();
}

void QVLayoutPickerController::alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex)
{
    if (!alert || alert->buttonTitleAtIndex(buttonIndex) != renameTitle)
        return;
    RefPtr<UITextField> field = alert->textFieldAtIndex(0);
    renameLayout(field ? field->text() : std::string());
}

void QVLayoutPickerController::showError(const std::string& message)
{
    makeRef<UIAlertView>(renameErrorTitle, message, nullptr, std::string("Ok"))->show();
}

void QVLayoutPickerController::renameLayout(const std::string& typedName)
{
    RefPtr<QVLayout> layout = layoutAt(m_lastSelectedIndexPath.get());
    if (!layout || !layout->layoutPath())
        return;
    // As the application renames: no "/" in a file name.
    const std::string name = withoutSlashes(typedName);
    const std::string newName = name + ".plist";
    if (name.empty() || newName == layout->layoutName())
        return showRenameAlert();
    const std::string oldPath = *layout->layoutPath();
    const std::string newPath = stringByDeletingLastPathComponent(oldPath) + "/" + newName;
    Ref<NSFileManager> files = NSFileManager::defaultManager();
    if (files->fileExistsAtPath(newPath))
        return showError("Layout already exists!");
    RefPtr<NSError> error;
    if (!files->moveItemAtPath(oldPath, newPath, &error))
        return showError(error ? error->localizedDescription() : "Unknown error occured while renaming layout");
    if (!files->fileExistsAtPath(newPath))
        return showError("Unknown error occured while renaming layout");

    const size_t row = static_cast<size_t>(m_lastSelectedIndexPath->row());
    Ref<QVLayout> renamed = QVLayout::create(newName, layout->defaultLayout());
    m_layouts[row] = renamed;
    if (RefPtr<UITableViewCell> cell = m_layoutTable ? m_layoutTable->cellForRowAtIndexPath(m_lastSelectedIndexPath.get()) : nullptr)
        cell->textLabel()->setText(renamed->layoutName());
    QVSharedPreferences::synchronize();
    const std::string newReference = QVLayoutReference::referenceString(newName, layout->defaultLayout());
    replaceReferences(QVLayoutReference::referenceString(layout->layoutName(), layout->defaultLayout()), newReference, newReference);
    cachedSettingsStorage()->removeAllObjects();
    saveSettings();
}

void QVLayoutPickerController::applyLayoutControllerDidUpdateObject(QVApplyLayoutController*, NSObject* object, const std::string& key)
{
    setButtonsEnabled(true);
    if (object)
        cachedSettingsStorage()->setObject(Ref<NSObject>(*object), key);
}

} // namespace qv
