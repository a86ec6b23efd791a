#include "QVUploadedLayouts.h"

#include "LayoutServerProtocol.h"
#include "LibraryScreenSize.h"

#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIFont.h"
#include "platform/UIKit/UIView.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace qv {

namespace {

constexpr const char* screenTitle = "Uploaded";
constexpr const char* noLayoutsText = "No Layouts Found";
constexpr const char* downloadTitle = "Download";
constexpr const char* cancelTitle = "Cancel";

// The text with every letter in lower case, for a comparison without
// regard to case; UTF-8 in and out, letters beyond ASCII included.
std::u32string caseFolded(const std::string& text)
{
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::u32string folded;
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xe ? 3 : lead >> 3 == 0x1e ? 4 : 1;
        char32_t code = length == 1 ? lead : lead & (0x7f >> length);
        for (size_t i = 1; i < length && at + i < text.size(); ++i)
            code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3f);
        at += length;
        folded += utf8 ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), utf8)) : static_cast<char32_t>(std::towlower(static_cast<wint_t>(code)));
    }
    return folded;
}

bool containsIgnoringCase(const std::string& text, const std::string& part)
{
    return caseFolded(text).find(caseFolded(part)) != std::u32string::npos;
}

} // namespace

QVUploadedLayouts::~QVUploadedLayouts()
{
    if (m_previewRequest)
        m_previewRequest->clearDelegatesAndCancel();
}

void QVUploadedLayouts::viewDidLoad()
{
    UIViewController::viewDidLoad();
    m_appDelegate = AppDelegate::shared();
    m_layouts.clear();
    m_searchResults.clear();
    m_settings = QVSettings::currentSettings();
    m_device = QVDevice::currentDevice();
    buildViews();
    setViewSizeWithInterfaceOrientation(interfaceOrientation());
    configureView();
    // The list is asked for when the screen appears.
}

void QVUploadedLayouts::buildViews()
{
    Ref<UIView> screen = view();
    const CGFloat width = screen->frame().size.width;
    const CGFloat height = screen->frame().size.height;

    m_noLayoutsLbl = makeRef<UILabel>(CGRectMake(0, height / 2 - 22, width, 44));
    m_noLayoutsLbl->setTextAlignment(NSTextAlignmentCenter);
    m_noLayoutsLbl->setFont(UIFont::boldSystemFontOfSize(17));
    m_noLayoutsLbl->setBackgroundColor(UIColor::clearColor());
    m_noLayoutsLbl->setTextColor(UIColor::blackColor());
    m_noLayoutsLbl->setShadowColor(UIColor::whiteColor());
    m_noLayoutsLbl->setShadowOffset(CGSizeMake(1, 1));
    m_noLayoutsLbl->setText(noLayoutsText);
    screen->addSubview(m_noLayoutsLbl);

    m_loadingLayoutList = makeRef<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    screen->addSubview(m_loadingLayoutList);

    m_refreshLayouts = makeRef<UIRefreshControl>();
    m_refreshLayouts->addTarget(this, &QVUploadedLayouts::getLayoutsFromUploadServer, UIControlEventValueChanged);

    m_layoutTable = makeRef<UITableView>(CGRectMake(0, 64, width, height - (m_device->iPad() ? 120 : 113)), UITableViewStylePlain);
    m_layoutTable->setDelegate(WeakPtr<UITableViewDelegate>(this));
    m_layoutTable->setDataSource(WeakPtr<UITableViewDataSource>(this));
    m_layoutTable->addSubview(m_refreshLayouts);
    screen->addSubview(m_layoutTable);

    m_navBar = makeRef<UINavigationBar>(CGRectMake(0, 20, width, 44));
    auto item = makeRef<UINavigationItem>(screenTitle);
    m_navBar->pushNavigationItem(item, false);

    m_layoutSearchBar = makeRef<UISearchBar>(CGRectMake(0, 0, width, 44));
    m_layoutSearchBar->setPlaceholder("Search Layouts");
    m_layoutSearchBar->setDelegate(WeakPtr<UISearchBarDelegate>(this));
    m_layoutTable->setTableHeaderView(m_layoutSearchBar);

    m_sortingControl = makeRef<UISegmentedControl>(std::vector<std::string> { "Default", "Popular" });
    m_sortingControl->setSelectedSegmentIndex(0);
    m_sortingControl->addTarget(this, &QVUploadedLayouts::sortingControlChanged, UIControlEventValueChanged);
    item->setLeftBarButtonItem(makeRef<UIBarButtonItem>(m_sortingControl));
    screen->addSubview(m_navBar);
}

void QVUploadedLayouts::setViewSizeWithInterfaceOrientation(int64_t orientation)
{
    if (!m_device)
        return;
    if (std::optional<CGSize> size = libraryScreenSize(*m_device, orientation))
        view()->setFrame(CGRectMake(0, 0, size->width, size->height));
}

void QVUploadedLayouts::configureView()
{
    const CGRect frame = view()->frame();
    const CGFloat width = frame.size.width;
    const CGFloat height = frame.size.height;
    if (m_noLayoutsLbl)
        m_noLayoutsLbl->setFrame(CGRectMake(0, height / 2 - 22, width, 44));
    if (m_layoutTable)
        m_layoutTable->setFrame(CGRectMake(0, 64, width, height - (m_device->iPad() ? 120 : 113)));
    if (m_navBar)
        m_navBar->setFrame(CGRectMake(0, 20, width, 44));
    if (m_loadingLayoutList)
        m_loadingLayoutList->setFrame(CGRectMake(width / 2 - 15, height / 2 + 10, 30, 30));
    if (m_layoutSearchBar)
        m_layoutSearchBar->setFrame(CGRectMake(0, 0, width, 44));
}

void QVUploadedLayouts::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (!m_layoutTable)
        return;
    setViewSizeWithInterfaceOrientation(interfaceOrientation());
    configureView();
    refreshLayoutList();
}

void QVUploadedLayouts::viewWillDisappear(bool animated)
{
    UIViewController::viewWillDisappear(animated);
    deselectCellInTableView(m_layoutTable.get());
}

bool QVUploadedLayouts::shouldAutorotate()
{
    return m_appDelegate ? m_appDelegate->shouldAutoRotate() : true;
}

uint64_t QVUploadedLayouts::supportedInterfaceOrientations()
{
    return m_appDelegate ? m_appDelegate->supportedInterfaceOrientations() : uint64_t { UIInterfaceOrientationMaskAll };
}

void QVUploadedLayouts::willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration)
{
    UIViewController::willRotateToInterfaceOrientation(orientation, duration);
    if (isSameOrientationKind(interfaceOrientation(), orientation))
        return;
    setViewSizeWithInterfaceOrientation(orientation);
    configureView();
}

// --- The list

void QVUploadedLayouts::showLoading()
{
    m_loadingLayoutList->startAnimating();
    m_noLayoutsLbl->setText("Loading...");
    m_layoutTable->setHidden(true);
}

void QVUploadedLayouts::hideLoading()
{
    if (!m_searchResults.empty())
        m_layoutTable->setHidden(false);
    else {
        m_noLayoutsLbl->setText(noLayoutsText);
        m_layoutTable->setHidden(true);
    }
    m_loadingLayoutList->stopAnimating();
}

void QVUploadedLayouts::sortingControlChanged()
{
    refreshLayoutList();
}

void QVUploadedLayouts::refreshLayoutList()
{
    if (!m_searchResults.empty())
        deselectCellInTableView(m_layoutTable.get());
    showLoading();
    getLayoutsFromUploadServer();
}

void QVUploadedLayouts::getLayoutsFromUploadServer()
{
    // The request it replaces runs on, and its answer is ignored.
    Ref<QNHTTPRequest> request = QNHTTPRequest::requestWithURL(
        m_device->urlForListOfUploadedLayoutsForSortingControlState(m_sortingControl->selectedSegmentIndex()));
    m_refreshRequest = request;
    request->setTimeOutSeconds(listingTimeOutSeconds);
    request->setDelegate(this);
    request->startAsynchronous();
    setNavigationTitle(screenTitle);
}

void QVUploadedLayouts::setNavigationTitle(const std::string& title)
{
    if (RefPtr<UINavigationItem> item = m_navBar ? m_navBar->topItem() : nullptr)
        item->setTitle(title);
}

void QVUploadedLayouts::listingFinished(QNHTTPRequest& request)
{
    // The rows of the old list go, the expanded one with them.
    cancelPreviewFetch();
    m_expandedPreview = nullptr;
    m_layouts.clear();
    for (const LayoutListingRecord& record : readLayoutListing(request.responseData(), request.responseEncoding()))
        m_layouts.push_back(QVUploadedLayout::create(m_device->urlForLayoutWithName(record.name), record.name, record.downloads));
    m_searchResults = m_layouts;
    m_refreshLayouts->endRefreshing();
    m_layoutTable->reloadData();
    hideLoading();
    searchForLayoutsWithCurrentText();
}

// --- Search

void QVUploadedLayouts::searchForLayouts(const std::string& text)
{
    if (!m_searchResults.empty())
        deselectCellInTableView(m_layoutTable.get());
    if (text.empty())
        m_searchResults = m_layouts;
    else {
        m_searchResults.clear();
        for (const Ref<QVUploadedLayout>& layout : m_layouts) {
            if (containsIgnoringCase(layout->layoutName(), text))
                m_searchResults.push_back(layout);
        }
    }
    setNavigationTitle(stringWithFormat("Uploaded (%i)", static_cast<int>(m_layouts.size())));
    m_layoutTable->reloadData();
}

void QVUploadedLayouts::searchForLayoutsWithCurrentText()
{
    searchForLayouts(m_layoutSearchBar->text());
}

void QVUploadedLayouts::searchBarTextDidBeginEditing(UISearchBar* searchBar)
{
    if (!searchBar)
        return;
    searchForLayouts(searchBar->text());
    searchBar->setShowsCancelButton(true, true);
}

void QVUploadedLayouts::searchBarTextDidChange(UISearchBar*, const std::string& text)
{
    searchForLayouts(text);
}

void QVUploadedLayouts::searchBarTextDidEndEditing(UISearchBar* searchBar)
{
    if (searchBar)
        searchBar->setShowsCancelButton(false, true);
}

void QVUploadedLayouts::searchBarSearchButtonClicked(UISearchBar* searchBar)
{
    if (searchBar)
        searchBar->resignFirstResponder();
}

void QVUploadedLayouts::searchBarCancelButtonClicked(UISearchBar* searchBar)
{
    deselectCellInTableView(m_layoutTable.get());
    m_searchResults = m_layouts;
    m_layoutTable->reloadData();
    if (searchBar)
        searchBar->resignFirstResponder();
}

// --- Rows

RefPtr<QVUploadedLayout> QVUploadedLayouts::shownLayoutAt(const NSIndexPath* indexPath) const
{
    if (!indexPath || indexPath->section() != 0 || indexPath->row() < 0 || static_cast<size_t>(indexPath->row()) >= m_searchResults.size())
        return nullptr;
    return m_searchResults[static_cast<size_t>(indexPath->row())];
}

RefPtr<QVUploadedLayout> QVUploadedLayouts::listedLayoutNamed(const std::string& name) const
{
    auto found = std::find_if(m_layouts.begin(), m_layouts.end(), [&](const Ref<QVUploadedLayout>& layout) { return layout->layoutName() == name; });
    return found == m_layouts.end() ? nullptr : RefPtr<QVUploadedLayout>(*found);
}

RefPtr<NSIndexPath> QVUploadedLayouts::indexPathOfShownLayout(const QVUploadedLayout& layout) const
{
    for (size_t row = 0; row < m_searchResults.size(); ++row) {
        if (m_searchResults[row].ptr() == &layout)
            return NSIndexPath::indexPathForRow(static_cast<NSInteger>(row), 0);
    }
    return nullptr;
}

NSInteger QVUploadedLayouts::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    return m_searchResults.empty() ? 1 : static_cast<NSInteger>(m_searchResults.size());
}

Ref<UITableViewCell> QVUploadedLayouts::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    // Every cell is new: an expanded row's thumbnail is never handed on.
    Ref<UITableViewCell> cell = makeRef<UITableViewCell>(UITableViewCellStyleValue1, std::nullopt);
    RefPtr<QVUploadedLayout> layout = shownLayoutAt(indexPath);
    if (!layout) {
        cell->textLabel()->setText(noLayoutsText);
        cell->textLabel()->setTextColor(UIColor::lightGrayColor());
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        return cell;
    }
    cell->textLabel()->setText(layout->layoutName());
    cell->textLabel()->setTextColor(UIColor::blackColor());
    cell->textLabel()->setAdjustsFontSizeToFitWidth(true);
    const bool expanded = layout->selected();
    cell->detailTextLabel()->setText(expanded && !m_device->iPad() ? std::string() : stringWithFormat("%li", static_cast<long>(layout->layoutDownloads())));
    if (expanded)
        cell->setAccessoryView(m_expandedPreview);
    return cell;
}

CGFloat QVUploadedLayouts::tableViewHeightForRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVUploadedLayout> layout = shownLayoutAt(indexPath);
    if (!layout)
        return 44;
    if (!layout->selected())
        return table ? table->rowHeight() : 44;
    if (m_device->iPad() || m_device->iPhone5_5Inch())
        return 80;
    if (m_device->iPhone4Inch() || m_device->iPhone4_7Inch())
        return 70;
    return 60;
}

void QVUploadedLayouts::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVUploadedLayout> layout = shownLayoutAt(indexPath);
    if (!layout || !table)
        return;
    if (!layout->selected()) {
        selectCellInTableView(table, indexPath);
        return;
    }
    m_downloadLayoutActionSheet = makeRef<UIActionSheet>(std::string(), WeakPtr<UIActionSheetDelegate>(this), std::string(cancelTitle), std::nullopt,
        std::vector<std::string> { downloadTitle });
    m_downloadLayoutActionSheet->showFromRect(table->convertRectToView(table->rectForRowAtIndexPath(indexPath), view().ptr()), view().ptr(), true);
}

void QVUploadedLayouts::tableViewDidDeselectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    deselectCellInTableView(table, indexPath);
}

void QVUploadedLayouts::selectCellInTableView(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVUploadedLayout> layout = shownLayoutAt(indexPath);
    if (!layout || !table)
        return;
    RefPtr<UITableViewCell> cell = table->cellForRowAtIndexPath(indexPath);
    // The thumbnail shows at once, empty, and is drawn when the layout
    // file has come: a slow or silent server never holds the screen.
    Ref<QVLayoutPreview> preview = QVLayoutPreview::create(QVUploadedLayout::previewFrame(m_device->iPad()), nullptr);
    preview->setAlpha(0);
    m_expandedPreview = preview;
    table->beginUpdates();
    layout->setSelected(true);
    if (cell) {
        if (!m_device->iPad())
            cell->detailTextLabel()->setText(std::string());
        cell->setAccessoryView(preview);
    }
    table->endUpdates();
    UIView::beginAnimations("Preview Fade");
    UIView::setAnimationDelay(previewDelay);
    preview->setAlpha(1);
    UIView::commitAnimations();
    startPreviewFetch(layout.toRef());
}

void QVUploadedLayouts::deselectCellInTableView(UITableView* table)
{
    if (!table)
        return;
    // With no row selected there is nothing to collapse.
    if (RefPtr<NSIndexPath> selected = table->indexPathForSelectedRow())
        deselectCellInTableView(table, selected.get());
}

void QVUploadedLayouts::deselectCellInTableView(UITableView* table, NSIndexPath* indexPath)
{
    RefPtr<QVUploadedLayout> layout = shownLayoutAt(indexPath);
    if (m_searchResults.empty() || !layout || !table)
        return;
    RefPtr<UITableViewCell> cell = table->cellForRowAtIndexPath(indexPath);
    table->beginUpdates();
    layout->setSelected(false);
    if (cell) {
        if (!m_device->iPad())
            cell->detailTextLabel()->setText(stringWithFormat("%li", static_cast<long>(layout->layoutDownloads())));
        cell->textLabel()->setText(layout->layoutName());
        cell->textLabel()->setTextColor(UIColor::blackColor());
        cell->setAccessoryView(nullptr);
    }
    table->endUpdates();
    table->deselectRowAtIndexPath(indexPath, true);
    cancelPreviewFetch();
    m_expandedPreview = nullptr;
}

void QVUploadedLayouts::collapseRowOf(const QVUploadedLayout& layout)
{
    RefPtr<NSIndexPath> selected = m_layoutTable->indexPathForSelectedRow();
    RefPtr<QVUploadedLayout> expanded = shownLayoutAt(selected.get());
    if (expanded && expanded->layoutName() == layout.layoutName())
        deselectCellInTableView(m_layoutTable.get(), selected.get());
}

// --- The thumbnail

void QVUploadedLayouts::startPreviewFetch(const Ref<QVUploadedLayout>& layout)
{
    cancelPreviewFetch();
    Ref<QNHTTPRequest> request = QNHTTPRequest::requestWithURL(layout->layoutURL());
    request->setTimeOutSeconds(QNHTTPRequest::defaultTimeOutSeconds());
    request->setDelegate(this);
    m_previewRequest = request;
    m_previewLayout = layout;
    request->startAsynchronous();
}

void QVUploadedLayouts::cancelPreviewFetch()
{
    if (m_previewRequest)
        m_previewRequest->clearDelegatesAndCancel();
    m_previewRequest = nullptr;
    m_previewLayout = nullptr;
}

void QVUploadedLayouts::previewFetched(QNHTTPRequest& request)
{
    RefPtr<QVUploadedLayout> layout = std::exchange(m_previewLayout, nullptr);
    m_previewRequest = nullptr;
    // Only a layout file, and only for the row still expanded: anything
    // else leaves the empty thumbnail.
    if (!layout || !layout->selected() || request.responseStatusCode() != 200)
        return;
    std::optional<std::string> body = request.responseData();
    RefPtr<NSDictionary> data = body ? NSDictionary::dictionaryWithData(*body) : nullptr;
    if (!data)
        return;
    Ref<QVLayoutPreview> preview = QVLayoutPreview::create(QVUploadedLayout::previewFrame(m_device->iPad()), data);
    preview->setAlpha(m_expandedPreview ? m_expandedPreview->alpha() : 1);
    m_expandedPreview = preview;
    if (RefPtr<NSIndexPath> indexPath = indexPathOfShownLayout(*layout)) {
        if (RefPtr<UITableViewCell> cell = m_layoutTable->cellForRowAtIndexPath(indexPath.get()))
            cell->setAccessoryView(preview);
    }
}

// --- Download

void QVUploadedLayouts::actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex)
{
    if (!sheet)
        return;
    const std::string title = sheet->buttonTitleAtIndex(buttonIndex);
    if (title == downloadTitle)
        downloadLayout();
    else if (title == cancelTitle)
        deselectCellInTableView(m_layoutTable.get());
}

void QVUploadedLayouts::downloadLayout()
{
    RefPtr<NSIndexPath> selected = m_layoutTable->indexPathForSelectedRow();
    RefPtr<QVUploadedLayout> layout = shownLayoutAt(selected.get());
    if (!layout || !layout->selected())
        return;
    // The listing lists no other names; this keeps it so however the list came.
    if (!isShareableLayoutName(layout->layoutName())) {
        logLine("Quilt Vane: a layout named \"" + layout->layoutName() + "\" cannot be downloaded");
        return;
    }
    Ref<QNFormDataRequest> request = downloadCountRequest(*m_device, layout->layoutName());
    m_updateDownloadCountRequest = request;
    request->setDelegate(this);
    m_downloads.push_back({ layout.toRef(), request, false });
    request->startAsynchronous();
}

std::vector<QVUploadedLayouts::Download>::iterator QVUploadedLayouts::downloadOf(const QNHTTPRequest& request)
{
    return std::find_if(m_downloads.begin(), m_downloads.end(), [&](const Download& download) { return download.request.get() == &request; });
}

void QVUploadedLayouts::countFinished(Download& download, QNHTTPRequest& request)
{
    // A reply for a layout the list no longer holds (it was read again
    // meanwhile, without it) changes nothing.
    RefPtr<QVUploadedLayout> listed = listedLayoutNamed(download.layout->layoutName());
    std::optional<int32_t> count = readDownloadCount(request.responseString());
    if (!count || !listed) {
        m_downloads.erase(downloadOf(request));
        return;
    }
    download.layout->setLayoutDownloads(*count);
    listed->setLayoutDownloads(*count);
    if (RefPtr<NSIndexPath> indexPath = indexPathOfShownLayout(*listed)) {
        if (RefPtr<UITableViewCell> cell = m_layoutTable->cellForRowAtIndexPath(indexPath.get()))
            cell->detailTextLabel()->setText(stringWithFormat("%i", static_cast<int>(*count)));
    }
    // The file is kept in memory until it has been seen to be a layout:
    // an error page never reaches the user layouts folder.
    Ref<QNHTTPRequest> fetch = QNHTTPRequest::requestWithURL(download.layout->layoutURL());
    fetch->setDelegate(this);
    m_downloadFileRequest = fetch;
    download.request = fetch;
    download.fetching = true;
    fetch->startAsynchronous();
}

void QVUploadedLayouts::fetchFinished(const Download& download, const QNHTTPRequest& request)
{
    const std::string& name = download.layout->layoutName();
    const std::string path = m_settings->userLayoutPath() + "/" + name;
    // A reply that is no layout ends the download as a failed fetch does,
    // with an alert that says so: the user's files stay as they were.
    if (std::optional<std::string> failure = storeFetchedLayout(request.responseStatusCode(), request.responseData(), path)) {
        logLine(stringWithFormat("Quilt Vane: the layout %@ was not saved: %@", name, *failure));
        showAlert("Error", layoutDownloadErrorMessage(name, *failure));
        collapseRowOf(*download.layout);
        return;
    }
    adoptDownloadedLayout(path);
    showAlert("Saved", layoutSavedMessage(name));
    collapseRowOf(*download.layout);
}

void QVUploadedLayouts::requestFinished(QNHTTPRequest& request)
{
    if (&request == m_refreshRequest.get()) {
        listingFinished(request);
        return;
    }
    if (&request == m_previewRequest.get()) {
        previewFetched(request);
        return;
    }
    // Each download goes on with its own layout, whichever started last.
    auto download = downloadOf(request);
    if (download == m_downloads.end())
        return;
    if (!download->fetching) {
        countFinished(*download, request);
        return;
    }
    const Download ended = *download;
    m_downloads.erase(download);
    fetchFinished(ended, request);
}

void QVUploadedLayouts::requestFailed(QNHTTPRequest& request)
{
    if (&request == m_refreshRequest.get()) {
        showAlert("Error", request.error() ? request.error()->localizedDescription() : std::string());
        m_refreshLayouts->endRefreshing();
        hideLoading();
        return;
    }
    if (&request == m_previewRequest.get()) {
        // The thumbnail stays empty; nothing is reported.
        m_previewRequest = nullptr;
        m_previewLayout = nullptr;
        return;
    }
    auto download = downloadOf(request);
    if (download == m_downloads.end())
        return;
    const Download ended = *download;
    m_downloads.erase(download);
    showAlert("Error", request.error() ? request.error()->localizedDescription() : std::string());
    collapseRowOf(*ended.layout);
}

void QVUploadedLayouts::showAlert(const std::string& title, const std::string& message) const
{
    makeRef<UIAlertView>(title, message, WeakPtr<UIAlertViewDelegate>(), std::string("Ok"))->show();
}

} // namespace qv
