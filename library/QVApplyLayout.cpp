#include "QVApplyLayout.h"

#include "LibraryScreenSize.h"

#include "model/QVLayoutReference.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIColor.h"

namespace qv {

namespace {

constexpr const char* defaultModeTitle = "Default";
constexpr const char* perPageModeTitle = "Per-Page";

// The stock home-screen layout, which an empty slot falls back to whatever
// layout is being applied.
std::string fallbackReference(const QVSettings& settings)
{
    return stringWithFormat("%@%@%@", settings.defaultLayoutName(), QVLayoutReference::separator, QVLayoutReference::defaultFolderWord);
}

} // namespace

QVApplyLayout::QVApplyLayout(std::string layoutName, bool isDefaultLayout)
    : m_settings(QVSettings::currentSettings())
    , m_device(QVDevice::currentDevice())
    , m_layoutName(std::move(layoutName))
    , m_isDefault(isDefaultLayout)
{
    if (m_device->iPad())
        setModalPresentationStyle(UIModalPresentationFormSheet);
}

std::string QVApplyLayout::ownReference() const
{
    return stringWithFormat("%@%@%@", m_layoutName, QVLayoutReference::separator,
        m_isDefault ? QVLayoutReference::defaultFolderWord : QVLayoutReference::userFolderWord);
}

void QVApplyLayout::viewDidLoad()
{
    UIViewController::viewDidLoad();
    setViewSizeWithInterfaceOrientation(interfaceOrientation());
    configureView(true);
}

void QVApplyLayout::viewDidAppear(bool animated)
{
    UIViewController::viewDidAppear(animated);
    if (!m_device->iPad())
        return;
    // The form sheet's real size is known only once it is on the screen.
    m_viewFrame = view()->frame();
    configureView(false);
}

void QVApplyLayout::setViewSizeWithInterfaceOrientation(int64_t orientation)
{
    if (m_device->iPad())
        return;
    if (std::optional<CGSize> size = libraryScreenSize(*m_device, orientation))
        m_viewFrame = CGRectMake(0, 0, size->width, size->height);
}

void QVApplyLayout::willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration)
{
    UIViewController::willRotateToInterfaceOrientation(orientation, duration);
    if (isSameOrientationKind(interfaceOrientation(), orientation))
        return;
    setViewSizeWithInterfaceOrientation(orientation);
    configureView(false);
}

void QVApplyLayout::configureView(bool first)
{
    if (!first) {
        // Only the frames change: the slots keep the picks not yet saved,
        // so that Save writes what the cells show.
        layOutViews();
        return;
    }
    if (m_device->iPad())
        m_viewFrame = CGRectMake(0, 0, 540, 620);
    m_layoutStateChanged = false;
    Ref<UIView> screen = view();
    screen->setBackgroundColor(UIColor::whiteColor());

    m_navBar = makeRef<UINavigationBar>();
    m_toolBar = makeRef<UIToolbar>();
    auto save = makeRef<UIBarButtonItem>(UIBarButtonSystemItemSave, this, &QVApplyLayout::saveButtonClicked);
    save->setEnabled(false);
    auto cancel = makeRef<UIBarButtonItem>(UIBarButtonSystemItemCancel, this, &QVApplyLayout::cancelButtonClicked);
    auto item = makeRef<UINavigationItem>(stringWithFormat("Apply %@", m_layoutName));
    item->setLeftBarButtonItem(save);
    item->setRightBarButtonItem(cancel);
    m_navBar->pushNavigationItem(item, false);

    m_pageOptionsControl = makeRef<UISegmentedControl>(std::vector<std::string> { defaultModeTitle, perPageModeTitle });
    m_pageOptionsControl->addTarget(this, &QVApplyLayout::pageOptionsControlChanged, UIControlEventValueChanged);
    // Stored as a number by this screen and as a boolean by the Settings
    // page: either way its truth value picks the mode.
    m_pageOptionsControl->setSelectedSegmentIndex(QVSharedPreferences::boolForKey(QVEnablePerPageLayoutsKey) ? ModePerPage : ModeDefault);
    m_toolBar->setItems({ makeRef<UIBarButtonItem>(m_pageOptionsControl) });
    m_originalControlState = m_pageOptionsControl->selectedSegmentIndex();

    m_applyTable = makeRef<UITableView>(CGRectZero, UITableViewStyleGrouped);
    m_applyTable->setDelegate(WeakPtr<UITableViewDelegate>(this));
    m_applyTable->setDataSource(WeakPtr<UITableViewDataSource>(this));
    layOutViews();
    screen->addSubview(m_applyTable);
    screen->addSubview(m_navBar);
    screen->addSubview(m_toolBar);
    refreshAppliedLayoutList();
}

void QVApplyLayout::layOutViews()
{
    const CGFloat width = m_viewFrame.size.width;
    const CGFloat height = m_viewFrame.size.height;
    const bool iPad = m_device->iPad();
    if (m_navBar)
        m_navBar->setFrame(CGRectMake(0, iPad ? 0 : 20, width, 44));
    if (m_toolBar)
        m_toolBar->setFrame(CGRectMake(0, height - 44, width, 44));
    if (m_applyTable)
        m_applyTable->setFrame(iPad ? CGRectMake(0, 44, width, height - 64) : CGRectMake(0, 64, width, height - 108));
}

int64_t QVApplyLayout::selectedMode() const
{
    return m_pageOptionsControl ? m_pageOptionsControl->selectedSegmentIndex() : ModeDefault;
}

std::string QVApplyLayout::storedReferenceOrFallback(const std::string& key) const
{
    // A value of another kind than text counts as missing.
    std::optional<std::string> stored = QVSharedPreferences::stringForKey(key);
    if (stored && !stored->empty())
        return *stored;
    const std::string fallback = fallbackReference(*m_settings);
    QVSharedPreferences::setValue(key, NSString::create(fallback));
    m_settings->sendSettings();
    return fallback;
}

void QVApplyLayout::refreshAppliedLayoutList()
{
    updateSaveButton();
    m_appliedLayouts.clear();
    if (selectedMode() == ModeDefault) {
        m_appliedLayouts.push_back(storedReferenceOrFallback(QVCurrentLayoutKey));
        return;
    }
    for (int32_t page = 0; page < m_settings->numberOfSupportedPages(); ++page)
        m_appliedLayouts.push_back(storedReferenceOrFallback(QVPageLayoutPreferenceKey(static_cast<uint64_t>(page))));
}

void QVApplyLayout::dismiss()
{
    dismissViewControllerAnimated(true);
}

void QVApplyLayout::pageOptionsControlChanged()
{
    refreshAppliedLayoutList();
    if (m_applyTable)
        m_applyTable->reloadData();
}

void QVApplyLayout::cancelButtonClicked()
{
    dismiss();
}

void QVApplyLayout::saveButtonClicked()
{
    const int64_t mode = selectedMode();
    QVSharedPreferences::setValue(QVEnablePerPageLayoutsKey, NSNumber::numberWithInteger(mode == ModePerPage ? 1 : 0));
    if (mode == ModeDefault) {
        if (!m_appliedLayouts.empty())
            QVSharedPreferences::setValue(QVCurrentLayoutKey, NSString::create(m_appliedLayouts.front()));
    } else {
        for (size_t page = 0; page < m_appliedLayouts.size(); ++page)
            QVSharedPreferences::setValue(QVPageLayoutPreferenceKey(page), NSString::create(m_appliedLayouts[page]));
    }
    m_settings->sendSettings();
    dismiss();
}

void QVApplyLayout::updateSaveButton()
{
    RefPtr<UINavigationItem> item = m_navBar ? m_navBar->topItem() : nullptr;
    RefPtr<UIBarButtonItem> save = item ? item->leftBarButtonItem() : nullptr;
    if (save)
        save->setEnabled(selectedMode() != m_originalControlState || m_layoutStateChanged);
}

NSInteger QVApplyLayout::numberOfSectionsInTableView(UITableView*)
{
    return selectedMode() == ModePerPage ? m_settings->numberOfSupportedPages() : 1;
}

std::optional<std::string> QVApplyLayout::tableViewTitleForHeaderInSection(UITableView*, NSInteger section)
{
    switch (selectedMode()) {
    case ModeDefault:
        return std::string("Homescreen");
    case ModePerPage:
        // The last page key serves that page and every later one.
        if (section == m_settings->numberOfSupportedPages() - 1)
            return stringWithFormat("Page %li+", static_cast<long>(section + 1));
        return stringWithFormat("Page %li", static_cast<long>(section + 1));
    default:
        return std::nullopt;
    }
}

NSInteger QVApplyLayout::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    return 1;
}

Ref<UITableViewCell> QVApplyLayout::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    auto cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, std::nullopt);
    Ref<UILabel> label = cell->textLabel();
    label->setAdjustsFontSizeToFitWidth(true);
    const size_t section = static_cast<size_t>(indexPath->section());
    const std::string entry = section < m_appliedLayouts.size() ? m_appliedLayouts[section] : std::string();
    const std::string shown = QVLayoutReference::fileNamePart(entry).value_or(entry);
    if (shown.empty()) {
        label->setText("No Layout Set");
        label->setTextColor(UIColor::lightGrayColor());
    } else {
        label->setText(shown);
        label->setTextColor(UIColor::blackColor());
    }
    cell->setAccessoryType(entry == ownReference() ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
    return cell;
}

void QVApplyLayout::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    m_layoutStateChanged = true;
    // Switched on at once, saved or not: a layout is being applied.
    QVSharedPreferences::setValue(QVEnableKey, NSNumber::numberWithBool(true));
    const size_t section = static_cast<size_t>(indexPath->section());
    if (section < m_appliedLayouts.size())
        m_appliedLayouts[section] = ownReference();
    if (RefPtr<UITableViewCell> cell = table->cellForRowAtIndexPath(indexPath)) {
        cell->textLabel()->setText(m_layoutName);
        cell->textLabel()->setTextColor(UIColor::blackColor());
        cell->setAccessoryType(UITableViewCellAccessoryCheckmark);
    }
    table->deselectRowAtIndexPath(indexPath, true);
    updateSaveButton();
}

} // namespace qv
