#include "QVApplyLayoutController.h"

#include "model/QVLayoutReference.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/core/Log.h"

namespace qv {

namespace {

constexpr const char* allSegment = "All";
constexpr const char* perPageSegment = "Per-Page";
constexpr const char* homeScreenRowTitle = "Homescreen Layout";

} // namespace

void QVApplyLayoutController::registerClass()
{
    Class cls = objc_allocateClassPair<QVApplyLayoutController>(objc_getClass("PSViewController"), "QVApplyLayoutController");
    if (!cls) {
        logLine("QuiltvanePrefs: cannot define QVApplyLayoutController");
        return;
    }
    objc_registerClassPair(cls);
}

RefPtr<QVApplyLayoutController> QVApplyLayoutController::create(CGSize contentSize, const std::string& layoutName, bool isFolderOptimized,
    RefPtr<NSArray> folderList, Ref<NSDictionary> cachedSettings, Mode mode, bool isDefaultLayout)
{
    if (!objc_getClass("QVApplyLayoutController"))
        return nullptr;
    Ref<QVApplyLayoutController> made = makeRef<QVApplyLayoutController>();
    // The framework's initialiser, which the bundle makes sure exists.
    RefPtr<QVApplyLayoutController> screen = dynamicRefCast<QVApplyLayoutController>(
        msgSend<RefPtr<Object>>(made, "initForContentSize:", contentSize));
    if (screen)
        screen->configure(contentSize, layoutName, isFolderOptimized, std::move(folderList), std::move(cachedSettings), mode, isDefaultLayout);
    return screen;
}

void QVApplyLayoutController::configure(CGSize contentSize, const std::string& layoutName, bool isFolderOptimized,
    RefPtr<NSArray> folderList, Ref<NSDictionary> cachedSettings, Mode mode, bool isDefaultLayout)
{
    m_settings = std::move(cachedSettings);
    m_layoutName = layoutName;
    m_isFolderOptimized = isFolderOptimized;
    m_folderList = std::move(folderList);
    m_controllerMode = mode;
    m_isDefault = isDefaultLayout;
    setTitle(title());

    const uint64_t stretch = UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight;
    Ref<UIView> view = this->view();
    view->setAutoresizesSubviews(true);
    view->setAutoresizingMask(stretch);
    const CGRect bounds = view->bounds();
    m_applyTableView = makeRef<UITableView>(CGRectMake(0, 0, bounds.size.width, bounds.size.height), UITableViewStyleGrouped);
    m_applyTableView->setDelegate(WeakPtr<UITableViewDelegate>(this));
    m_applyTableView->setDataSource(WeakPtr<UITableViewDataSource>(this));
    m_applyTableView->setAutoresizesSubviews(true);
    m_applyTableView->setAutoresizingMask(stretch);
    if (class_respondsToSelector(object_getClass(this), sel_registerName("setView:")))
        setView(m_applyTableView);

    if (mode != HomeScreen)
        return;
    m_perPageControl = makeRef<UISegmentedControl>(std::vector<std::string> { allSegment, perPageSegment });
    m_perPageControl->addTarget(this, &QVApplyLayoutController::perPageContolValueChanged, UIControlEventValueChanged);
    // The segment shows the switch as the extension reads it: any true
    // number is per page.
    const bool storedPerPage = QVSharedPreferences::boolValue(objectForKey(QVEnablePerPageLayoutsKey).get()).value_or(false);
    m_perPageControl->setSelectedSegmentIndex(storedPerPage ? 1 : 0);
    navigationItem()->setRightBarButtonItem(makeRef<UIBarButtonItem>(RefPtr<UIView>(m_perPageControl)));
}

RefPtr<NSObject> QVApplyLayoutController::objectForKey(const std::string& key) const
{
    if (RefPtr<NSObject> pending = m_settings ? m_settings->objectForKey(key) : nullptr)
        return pending;
    return QVSharedPreferences::copyValue(key);
}

std::optional<std::string> QVApplyLayoutController::layoutNameForKey(const std::string& key) const
{
    if (RefPtr<NSObject> pending = m_settings ? m_settings->objectForKey(key) : nullptr) {
        std::optional<std::string> text = QVSharedPreferences::stringValue(pending.get());
        if (!text)
            return std::nullopt;
        return QVLayoutReference::fileNamePart(*text).value_or(*text);
    }
    std::optional<std::string> stored = QVSharedPreferences::stringForKey(key);
    return stored ? QVLayoutReference::fileNamePart(*stored) : std::nullopt;
}

void QVApplyLayoutController::perPageContolValueChanged()
{
    Ref<NSNumber> value = NSNumber::numberWithBool(perPage());
    m_settings->setObject(Ref<NSObject>(value), QVEnablePerPageLayoutsKey);
    if (m_delegate)
        m_delegate->applyLayoutControllerDidUpdateObject(this, value.ptr(), QVEnablePerPageLayoutsKey);
    m_applyTableView->reloadData();
}

void QVApplyLayoutController::folderListArrived(RefPtr<NSArray> folderList)
{
    m_folderList = std::move(folderList);
    if (m_controllerMode == Folders && m_applyTableView)
        m_applyTableView->reloadData();
}

std::string QVApplyLayoutController::title() const
{
    return "Apply " + m_layoutName;
}

std::string QVApplyLayoutController::layoutReference() const
{
    return QVLayoutReference::referenceString(m_layoutName, m_isDefault);
}

bool QVApplyLayoutController::perPage() const
{
    return m_perPageControl && m_perPageControl->selectedSegmentIndex() == 1;
}

std::vector<std::string> QVApplyLayoutController::folderNames() const
{
    return m_folderList ? QVSharedPreferences::stringArrayValue(m_folderList.get()).value_or(std::vector<std::string>()) : std::vector<std::string>();
}

std::pair<std::string, std::string> QVApplyLayoutController::row(NSInteger index) const
{
    const uint64_t number = static_cast<uint64_t>(index);
    if (m_controllerMode == Folders) {
        const std::string name = folderNames().at(number);
        return { name, QVFolderLayoutPreferenceKey(name) };
    }
    if (!perPage())
        return { homeScreenRowTitle, QVCurrentLayoutKey };
    const char* later = number == QVLastPageLayoutNumber ? "+" : "";
    return { stringWithFormat("Page %lu%@", static_cast<unsigned long>(number + 1), NSString::create(later)), QVPageLayoutPreferenceKey(number) };
}

std::optional<std::string> QVApplyLayoutController::tableViewTitleForHeaderInSection(UITableView*, NSInteger)
{
    if (m_controllerMode != Folders)
        return std::nullopt;
    return m_isFolderOptimized ? "Folders:" : "WARNING: Layout is not optimized for folders\n\nFolders:";
}

NSInteger QVApplyLayoutController::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    if (m_controllerMode == Folders)
        return static_cast<NSInteger>(folderNames().size());
    return perPage() ? static_cast<NSInteger>(QVPageLayoutKeyCount) : 1;
}

Ref<UITableViewCell> QVApplyLayoutController::tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    Ref<UITableViewCell> cell = makeRef<UITableViewCell>(UITableViewCellStyleValue1, std::nullopt);
    if (!indexPath || indexPath->row() < 0 || indexPath->row() >= tableViewNumberOfRowsInSection(table, 0))
        return cell;
    const auto [title, key] = row(indexPath->row());
    cell->textLabel()->setText(title);
    if (std::optional<std::string> name = layoutNameForKey(key))
        cell->detailTextLabel()->setText(*name);
    if (QVSharedPreferences::stringValue(objectForKey(key).get()) == layoutReference()) {
        cell->setAccessoryType(UITableViewCellAccessoryCheckmark);
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
    }
    return cell;
}

void QVApplyLayoutController::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<UITableViewCell> cell = table ? table->cellForRowAtIndexPath(indexPath) : nullptr;
    if (!indexPath || (cell && cell->selectionStyle() == UITableViewCellSelectionStyleNone))
        return;
    if (indexPath->row() < 0 || indexPath->row() >= tableViewNumberOfRowsInSection(table, 0))
        return;
    const std::string key = row(indexPath->row()).second;
    Ref<NSString> reference = NSString::create(layoutReference());
    if (m_controllerMode == HomeScreen)
        NSLog("layoutName = %@; object = %@", NSString::create(m_layoutName), reference);
    m_settings->setObject(Ref<NSObject>(reference), key);
    if (m_delegate)
        m_delegate->applyLayoutControllerDidUpdateObject(this, reference.ptr(), key);
    m_applyTableView->reloadData();
}

} // namespace qv
