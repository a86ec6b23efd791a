#include "QVSavedLayouts.h"

#include "LibraryScreenSize.h"
#include "LayoutServerProtocol.h"
#include "QVApplyLayout.h"

#include "platform/Foundation/DispatchQueue.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/PerformSelector.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/ValueConversions.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIFont.h"
#include "platform/UIKit/UITabBarController.h"
#include "platform/core/Log.h"

namespace qv {

namespace {

constexpr const char* deleteTitle = "Delete";
constexpr const char* viewModifyTitle = "View / Modify";
constexpr const char* uploadTitle = "Upload";
constexpr const char* renameTitle = "Rename";
constexpr const char* applyLayoutTitle = "Apply Layout";
constexpr const char* cancelTitle = "Cancel";
constexpr const char* editTitle = "Edit";
constexpr const char* doneTitle = "Done";
constexpr const char* renameErrorTitle = "Error renaming layout";
constexpr const char* deleteErrorTitle = "Error deleting layout";

bool endsWithPlist(const std::string& name)
{
    // Compared as the listing's predicate does: case-sensitive, no dot.
    constexpr std::string_view suffix = "plist";
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A file name as the platform's messages quote it.
std::string quotedFileName(const std::string& name)
{
    return "\u201c" + name + "\u201d";
}

} // namespace

void QVSavedLayouts::viewDidLoad()
{
    UIViewController::viewDidLoad();
    m_utilities = QVUtilities::currentUtilities();
    m_appDelegate = AppDelegate::shared();
    m_settings = QVSettings::currentSettings();
    m_device = QVDevice::currentDevice();
    setViewSizeWithInterfaceOrientation(interfaceOrientation());
    configureView(true);
    refreshLayoutList();
}

void QVSavedLayouts::configureView(bool first)
{
    if (first)
        buildViews();
    layOutViews();
    performSelector(*this, Message { "_updatePopoverPositions", [this] { updatePopoverPositions(); } }, nullptr, popoverRepositionDelay);
}

void QVSavedLayouts::buildViews()
{
    Ref<UIView> screen = view();
    m_noLayoutsLbl = makeRef<UILabel>();
    m_noLayoutsLbl->setTextAlignment(NSTextAlignmentCenter);
    m_noLayoutsLbl->setFont(UIFont::boldSystemFontOfSize(17));
    m_noLayoutsLbl->setBackgroundColor(UIColor::clearColor());
    m_noLayoutsLbl->setTextColor(UIColor::blackColor());
    m_noLayoutsLbl->setShadowColor(UIColor::whiteColor());
    m_noLayoutsLbl->setShadowOffset(CGSizeMake(1, 1));
    m_noLayoutsLbl->setText("No Layouts Saved");
    screen->addSubview(m_noLayoutsLbl);

    m_fileManager = NSFileManager::defaultManager();
    m_layouts.clear();

    m_layoutTable = makeRef<UITableView>(CGRectZero, UITableViewStylePlain);
    m_layoutTable->setDelegate(WeakPtr<UITableViewDelegate>(this));
    m_layoutTable->setDataSource(WeakPtr<UITableViewDataSource>(this));
    screen->addSubview(m_layoutTable);

    m_navBar = makeRef<UINavigationBar>();
    m_editButton = makeRef<UIBarButtonItem>(editTitle, UIBarButtonItemStylePlain, this, &QVSavedLayouts::editButtonClicked);
    auto item = makeRef<UINavigationItem>("Saved Layouts");
    item->setRightBarButtonItem(m_editButton);
    m_navBar->pushNavigationItem(item, false);
    screen->addSubview(m_navBar);

    CGFloat rowHeight = 60;
    if (m_device->iPad() || m_device->iPhone5_5Inch())
        rowHeight = 80;
    else if (m_device->iPhone4Inch() || m_device->iPhone4_7Inch())
        rowHeight = 70;
    m_layoutTable->setRowHeight(rowHeight);
}

void QVSavedLayouts::layOutViews()
{
    const CGRect frame = view()->frame();
    const CGFloat width = frame.size.width;
    const CGFloat height = frame.size.height;
    if (m_layoutTable)
        m_layoutTable->setFrame(CGRectMake(0, 64, width, height - (m_device->iPad() ? 120 : 113)));
    if (m_navBar)
        m_navBar->setFrame(CGRectMake(0, 22, width, 44));
    if (m_noLayoutsLbl)
        m_noLayoutsLbl->setFrame(CGRectMake(0, height / 2 - 22, width, 44));
}

CGRect QVSavedLayouts::rectOfSelectedRow()
{
    if (!m_layoutTable || !m_selectedIndex)
        return CGRectZero;
    return m_layoutTable->convertRectToView(m_layoutTable->rectForRowAtIndexPath(m_selectedIndex.get()), view().ptr());
}

void QVSavedLayouts::updatePopoverPositions()
{
    if (!m_layoutOptionsSheet || !m_layoutOptionsSheet->visible())
        return;
    // Shown again at its row's new place, without acting on any entry.
    Ref<UIActionSheet> sheet = m_layoutOptionsSheet.toRef();
    sheet->dismissWithClickedButtonIndex(0, false);
    sheet->showFromRect(rectOfSelectedRow(), view().ptr(), true);
}

void QVSavedLayouts::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (!m_layoutTable)
        return;
    stopEditing();
    setViewSizeWithInterfaceOrientation(interfaceOrientation());
    configureView(false);
    refreshLayoutList();
}

void QVSavedLayouts::stopEditing()
{
    if (m_layoutTable)
        m_layoutTable->setEditing(false, false);
    if (m_editButton) {
        m_editButton->setTitle(editTitle);
        m_editButton->setStyle(UIBarButtonItemStylePlain);
    }
}

void QVSavedLayouts::editButtonClicked()
{
    if (!m_editButton || !m_layoutTable)
        return;
    if (m_editButton->title() == editTitle) {
        m_editButton->setTitle(doneTitle);
        m_editButton->setStyle(UIBarButtonItemStyleDone);
        m_layoutTable->setEditing(true, true);
    } else if (m_editButton->title() == doneTitle) {
        m_editButton->setTitle(editTitle);
        m_editButton->setStyle(UIBarButtonItemStylePlain);
        m_layoutTable->setEditing(false, true);
    }
}

std::vector<std::string> QVSavedLayouts::layoutFileNames(const std::string& folder) const
{
    std::vector<std::string> names;
    // A folder that cannot be listed contributes nothing.
    if (RefPtr<NSArray> listing = m_fileManager->contentsOfDirectoryAtPath(folder)) {
        for (const Ref<NSObject>& entry : listing->objects()) {
            if (endsWithPlist(entry->description()))
                names.push_back(entry->description());
        }
    }
    return names;
}

void QVSavedLayouts::refreshLayoutList()
{
    m_layouts.clear();
    const std::vector<std::string> userNames = layoutFileNames(m_settings->userLayoutPath());
    const std::vector<std::string> defaultNames = layoutFileNames(m_settings->defaultLayoutPath());
    // The stock layouts always come first.
    for (const std::string& name : defaultNames)
        m_layouts.push_back(QVLayout::create(name, true));
    for (const std::string& name : userNames)
        m_layouts.push_back(QVLayout::create(name, false));
    const bool empty = m_layouts.empty();
    m_layoutTable->setHidden(empty);
    m_noLayoutsLbl->setHidden(!empty);
    m_editButton->setEnabled(!empty);
    m_layoutTable->reloadData();
}

bool QVSavedLayouts::shouldAutorotate()
{
    return m_appDelegate ? m_appDelegate->shouldAutoRotate() : true;
}

uint64_t QVSavedLayouts::supportedInterfaceOrientations()
{
    return m_appDelegate ? m_appDelegate->supportedInterfaceOrientations() : uint64_t { UIInterfaceOrientationMaskAll };
}

void QVSavedLayouts::setViewSizeWithInterfaceOrientation(int64_t orientation)
{
    if (!m_device)
        return;
    if (std::optional<CGSize> size = libraryScreenSize(*m_device, orientation))
        view()->setFrame(CGRectMake(0, 0, size->width, size->height));
}

void QVSavedLayouts::willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration)
{
    UIViewController::willRotateToInterfaceOrientation(orientation, duration);
    if (isSameOrientationKind(interfaceOrientation(), orientation))
        return;
    setViewSizeWithInterfaceOrientation(orientation);
    configureView(false);
}

RefPtr<QVLayout> QVSavedLayouts::layoutAt(const NSIndexPath* indexPath) const
{
    if (!indexPath || indexPath->row() < 0 || static_cast<size_t>(indexPath->row()) >= m_layouts.size())
        return nullptr;
    return m_layouts[static_cast<size_t>(indexPath->row())];
}

bool QVSavedLayouts::isLayoutFile(const QVLayout& layout) const
{
    bool isDirectory = false;
    const std::optional<std::string> path = layout.layoutPath();
    const std::string folder = layout.defaultLayout() ? m_settings->defaultLayoutPath() : m_settings->userLayoutPath();
    return path && stringByDeletingLastPathComponent(*path) == folder && m_fileManager->fileExistsAtPath(*path, isDirectory) && !isDirectory;
}

std::optional<std::string> QVSavedLayouts::removeLayoutFile(const QVLayout& layout) const
{
    const std::optional<std::string> path = layout.layoutPath();
    const std::string name = quotedFileName(layout.layoutName());
    bool isDirectory = false;
    if (!path || !isLayoutFile(layout)) {
        if (path && m_fileManager->fileExistsAtPath(*path, isDirectory) && isDirectory)
            return name + " couldn\u2019t be removed: it is a folder, not a layout file.";
        return name + " couldn\u2019t be removed: the layout file is no longer there.";
    }
    RefPtr<NSError> error;
    if (m_fileManager->removeItemAtPath(*path, &error))
        return std::nullopt;
    if (!error)
        return name + " couldn\u2019t be removed.";
    const std::string reason = error->localizedFailureReason();
    return error->localizedDescription() + (reason.empty() ? std::string() : " " + reason + ".");
}

void QVSavedLayouts::deleteLayoutFromTableView(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout || !table)
        return;
    // Only a layout file goes, and its row only with it: a folder of that
    // name, or a file that cannot be removed, stays listed, and the user is
    // told why.
    if (std::optional<std::string> failure = removeLayoutFile(*layout)) {
        logLine("Quilt Vane: could not delete " + layout->layoutPath().value_or(layout->layoutName()) + ": " + *failure);
        makeRef<UIAlertView>(deleteErrorTitle, *failure, WeakPtr<UIAlertViewDelegate>(), std::string("Ok"))->show();
        return;
    }
    m_layouts.erase(m_layouts.begin() + indexPath->row());
    table->beginUpdates();
    table->deleteRowsAtIndexPaths({ Ref<NSIndexPath>(*indexPath) }, UITableViewRowAnimationFade);
    table->endUpdates();
}

void QVSavedLayouts::viewLayoutWithData(RefPtr<NSDictionary> layoutData)
{
    if (m_appDelegate) {
        m_appDelegate->setViewLayout(true);
        m_appDelegate->setViewLayoutData(std::move(layoutData));
    }
    if (RefPtr<UITabBarController> tabs = tabBarController())
        tabs->setSelectedIndex(0);
}

void QVSavedLayouts::uploadLayoutInTableView(UITableView*, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout)
        return;
    const std::string name = layout->layoutName();
    auto alert = [](const std::string& title, const std::string& message) {
        makeRef<UIAlertView>(title, message, WeakPtr<UIAlertViewDelegate>(), std::string("Ok"))->show();
    };
    // The server files it under this name: one that could lead out of its
    // folder there is not sent.
    if (!isShareableLayoutName(name)) {
        alert("Error", stringWithFormat("Error uploading layout: %@\nThe name cannot be shared.", name));
        return;
    }
    const std::string path = stringWithFormat("%@/%@", m_settings->userLayoutPath(), name);
    Ref<QNFormDataRequest> request = QNFormDataRequest::requestWithURL(m_device->urlForUploadLayout());
    // The handlers come first: adding a missing file fails the request at
    // once. They hold the request weakly; the library's queue keeps it.
    WeakPtr<QNHTTPRequest> weakRequest(request.ptr());
    request->setCompletionBlock([weakRequest, name, alert] {
        RefPtr<QNHTTPRequest> finished = weakRequest.lock();
        // The reply as the library delivers it: inflated when the server
        // compressed it, as the request allows.
        const std::optional<std::string> body = finished ? finished->responseData() : std::nullopt;
        const std::optional<std::string> reply = body ? stringFromBytes(*body, NSUTF8StringEncoding) : std::nullopt;
        logLine(reply.value_or("(null)"));
        const LayoutServerAlert outcome = uploadReplyAlert(reply, name);
        alert(outcome.title, outcome.message);
    });
    request->setFailedBlock([weakRequest, alert] {
        RefPtr<QNHTTPRequest> failed = weakRequest.lock();
        alert("Error", failed && failed->error() ? failed->error()->localizedDescription() : std::string());
    });
    request->setFile(path, stringByDeletingPathExtension(path), std::string("application/x-plist"), "userfile");
    request->startAsynchronous();
}

void QVSavedLayouts::applyLayoutInTableView(UITableView*, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout)
        return;
    auto apply = makeRef<QVApplyLayout>(layout->layoutName(), layout->defaultLayout());
    if (floatValueOfString(UIDevice::currentDevice().systemVersion()) >= 8.0f && m_device->iPad()) {
        // On a later pass, once the options sheet's popover has gone.
        Ref<QVSavedLayouts> protectedThis(*this);
        dispatch_async(dispatch_get_main_queue(), [protectedThis, apply] { protectedThis->presentViewController(apply, true); });
        return;
    }
    presentViewController(apply, true);
}

void QVSavedLayouts::showRenameAlert()
{
    RefPtr<QVLayout> layout = layoutAt(m_selectedIndex.get());
    auto alert = makeRef<UIAlertView>("Rename Layout", "What would you like to name this layout?", WeakPtr<UIAlertViewDelegate>(this),
        std::string(cancelTitle), std::vector<std::string> { renameTitle });
    alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
    if (RefPtr<UITextField> field = alert->textFieldAtIndex(0)) {
        field->setPlaceholder("Layout Name");
        if (layout)
            field->setText(stringByDeletingPathExtension(m_utilities->filterLayoutName(layout->layoutName()).value_or("")));
    }
    alert->show();
}

void QVSavedLayouts::showRenameError(const std::string& message) const
{
    makeRef<UIAlertView>(renameErrorTitle, message, WeakPtr<UIAlertViewDelegate>(), std::string("Ok"))->show();
}

void QVSavedLayouts::renameLayoutInTableView(UITableView*, NSIndexPath* indexPath, const std::optional<std::string>& typedName)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout)
        return;
    const std::optional<std::string> name = m_utilities->filterLayoutName(typedName);
    const std::string newPath = stringWithFormat("%@/%@.plist", m_settings->userLayoutPath(), name.value_or(""));
    const std::string oldPath = layout->layoutPath().value_or("");
    if (!name || name->empty() || newPath == oldPath) {
        showRenameAlert();
        return;
    }
    if (m_fileManager->fileExistsAtPath(newPath)) {
        showRenameError("Layout already exists!");
        return;
    }
    RefPtr<NSError> error;
    if (!isLayoutFile(*layout)) {
        showRenameError("Unknown error occured while renaming layout");
        return;
    }
    if (!m_fileManager->moveItemAtPath(oldPath, newPath, &error)) {
        showRenameError(error ? error->localizedDescription() : std::string("Unknown error occured while renaming layout"));
        return;
    }
    if (!m_fileManager->fileExistsAtPath(newPath)) {
        showRenameError("Unknown error occured while renaming layout");
        return;
    }
    Ref<QVLayout> renamed = QVLayout::create(stringWithFormat("%@.plist", *name), false);
    m_layouts[static_cast<size_t>(indexPath->row())] = renamed;
    if (RefPtr<UITableViewCell> cell = m_layoutTable->cellForRowAtIndexPath(indexPath))
        cell->textLabel()->setText(renamed->layoutName());
}

void QVSavedLayouts::alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex)
{
    if (!alert || alert->buttonTitleAtIndex(buttonIndex) != renameTitle)
        return;
    RefPtr<UITextField> field = alert->textFieldAtIndex(0);
    renameLayoutInTableView(m_layoutTable.get(), m_selectedIndex.get(), field ? std::optional<std::string>(field->text()) : std::nullopt);
}

void QVSavedLayouts::actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex)
{
    if (!sheet)
        return;
    const std::string title = sheet->buttonTitleAtIndex(buttonIndex);
    if (title == deleteTitle)
        deleteLayoutFromTableView(m_layoutTable.get(), m_selectedIndex.get());
    else if (title == viewModifyTitle) {
        if (RefPtr<QVLayout> layout = layoutAt(m_selectedIndex.get()))
            viewLayoutWithData(layout->layoutData());
    } else if (title == uploadTitle)
        uploadLayoutInTableView(m_layoutTable.get(), m_selectedIndex.get());
    else if (title == applyLayoutTitle)
        applyLayoutInTableView(m_layoutTable.get(), m_selectedIndex.get());
    else if (title == renameTitle)
        showRenameAlert();
}

void QVSavedLayouts::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    m_selectedIndex = indexPath;
    table->deselectRowAtIndexPath(indexPath, true);
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    if (!layout)
        return;
    std::vector<std::string> entries { viewModifyTitle };
    if (layout->QV()) {
        entries.push_back(uploadTitle);
        entries.push_back(renameTitle);
    }
    if (!layout->folderLayout())
        entries.push_back(applyLayoutTitle);
    m_layoutOptionsSheet = makeRef<UIActionSheet>(std::string(), WeakPtr<UIActionSheetDelegate>(this), std::string(cancelTitle),
        layout->QV() ? std::optional<std::string>(deleteTitle) : std::nullopt, entries);
    m_layoutOptionsSheet->showFromRect(rectOfSelectedRow(), view().ptr(), true);
}

void QVSavedLayouts::tableViewCommitEditingStyle(UITableView* table, UITableViewCellEditingStyle style, NSIndexPath* indexPath)
{
    if (style == UITableViewCellEditingStyleDelete)
        deleteLayoutFromTableView(table, indexPath);
}

bool QVSavedLayouts::tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    RefPtr<QVLayout> layout = layoutAt(indexPath);
    return layout && layout->QV();
}

NSInteger QVSavedLayouts::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    return static_cast<NSInteger>(m_layouts.size());
}

Ref<UITableViewCell> QVSavedLayouts::tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    // Each row has its own identifier, so a cell keeps its row's thumbnail.
    const std::string identifier = stringWithFormat("SavedLayoutCell%li", static_cast<long>(indexPath->row()));
    RefPtr<UITableViewCell> cell = table->dequeueReusableCellWithIdentifier(identifier);
    if (!cell)
        cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, identifier);
    if (RefPtr<QVLayout> layout = layoutAt(indexPath)) {
        cell->setAccessoryView(layout->layoutPreview());
        cell->setEditingAccessoryView(layout->layoutPreview());
        cell->textLabel()->setText(layout->layoutName());
        cell->textLabel()->setTextColor(layout->QV() ? UIColor::blackColor() : UIColor::darkGrayColor());
        cell->textLabel()->setAdjustsFontSizeToFitWidth(true);
    }
    return cell.toRef();
}

} // namespace qv
