#pragma once

#include "editor/AppDelegate.h"
#include "http/QNFormDataRequest.h"
#include "model/QVDevice.h"
#include "model/QVLayoutPreview.h"
#include "model/QVSettings.h"
#include "model/QVUploadedLayout.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIActivityIndicatorView.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UIRefreshControl.h"
#include "platform/UIKit/UISearchBar.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UIViewController.h"

#include <string>
#include <vector>

namespace qv {

// The "Uploaded" tab: the layouts shared on the layout server for this
// device class, in the server's order or by popularity, filtered by name
// as the user types. A tapped row grows and shows the layout's thumbnail;
// a tap on it again offers to download the layout into the user layouts
// folder, which counts the download on the server first.
class QVUploadedLayouts : public UIViewController, public UITableViewDataSource, public UITableViewDelegate,
                          public UISearchBarDelegate, public UIActionSheetDelegate, public QNHTTPRequestDelegate {
public:
    std::string className() const override { return "QVUploadedLayouts"; }
    QVUploadedLayouts() = default;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool shouldAutorotate() override;
    uint64_t supportedInterfaceOrientations() override;
    void willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) override;

    void setViewSizeWithInterfaceOrientation(int64_t orientation);
    void configureView();
    void showLoading();
    void hideLoading();
    void sortingControlChanged();
    void refreshLayoutList();
    void getLayoutsFromUploadServer();
    void searchForLayouts(const std::string& text);
    void searchForLayoutsWithCurrentText();
    void selectCellInTableView(UITableView* table, NSIndexPath* indexPath);
    // Collapses the table's selected row; nothing when no row is selected.
    void deselectCellInTableView(UITableView* table);
    void deselectCellInTableView(UITableView* table, NSIndexPath* indexPath);
    void downloadLayout();

    // The requests' outcomes, on the main thread.
    void requestFinished(QNHTTPRequest& request) override;
    void requestFailed(QNHTTPRequest& request) override;

    void searchBarTextDidBeginEditing(UISearchBar* searchBar) override;
    void searchBarTextDidChange(UISearchBar* searchBar, const std::string& text) override;
    void searchBarTextDidEndEditing(UISearchBar* searchBar) override;
    void searchBarSearchButtonClicked(UISearchBar* searchBar) override;
    void searchBarCancelButtonClicked(UISearchBar* searchBar) override;

    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;
    CGFloat tableViewHeightForRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;
    void tableViewDidDeselectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath) override;

    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex) override;

    // What the screen shows, for whoever looks at it.
    const std::vector<Ref<QVUploadedLayout>>& layouts() const { return m_layouts; }
    const std::vector<Ref<QVUploadedLayout>>& searchResults() const { return m_searchResults; }
    RefPtr<UILabel> noLayoutsLbl() const { return m_noLayoutsLbl; }
    RefPtr<UIActivityIndicatorView> loadingLayoutList() const { return m_loadingLayoutList; }
    RefPtr<UIRefreshControl> refreshLayouts() const { return m_refreshLayouts; }
    RefPtr<UITableView> layoutTable() const { return m_layoutTable; }
    RefPtr<UINavigationBar> navBar() const { return m_navBar; }
    RefPtr<UISearchBar> layoutSearchBar() const { return m_layoutSearchBar; }
    RefPtr<UISegmentedControl> sortingControl() const { return m_sortingControl; }
    RefPtr<UIActionSheet> downloadLayoutActionSheet() const { return m_downloadLayoutActionSheet; }
    // The thumbnail of the expanded row, while one is.
    RefPtr<QVLayoutPreview> expandedPreview() const { return m_expandedPreview; }
    // Downloads counted or fetched but not yet ended.
    size_t runningDownloads() const { return m_downloads.size(); }
    // Whether the expanded row's layout file is still being fetched.
    bool previewLoading() const { return m_previewRequest != nullptr; }

    // The listing waits this long for the server; the thumbnail's fetch
    // and a download's requests the library's default.
    static constexpr double listingTimeOutSeconds = 20.0;
    static constexpr double previewDelay = 0.1;

protected:
    ~QVUploadedLayouts() override;

private:
    // One download: its layout and the request of the step it is at.
    struct Download {
        Ref<QVUploadedLayout> layout;
        RefPtr<QNHTTPRequest> request;
        bool fetching = false; // counted, now fetching the file
    };

    void buildViews();
    RefPtr<QVUploadedLayout> shownLayoutAt(const NSIndexPath* indexPath) const;
    // The listed layout of that name, for a reply that arrives after the
    // list was read again.
    RefPtr<QVUploadedLayout> listedLayoutNamed(const std::string& name) const;
    RefPtr<NSIndexPath> indexPathOfShownLayout(const QVUploadedLayout& layout) const;
    void showAlert(const std::string& title, const std::string& message) const;
    void setNavigationTitle(const std::string& title);
    void listingFinished(QNHTTPRequest& request);
    void countFinished(Download& download, QNHTTPRequest& request);
    void fetchFinished(const Download& download, const QNHTTPRequest& request);
    void previewFetched(QNHTTPRequest& request);
    std::vector<Download>::iterator downloadOf(const QNHTTPRequest& request);
    // Collapses the expanded row when it is that layout's.
    void collapseRowOf(const QVUploadedLayout& layout);
    void startPreviewFetch(const Ref<QVUploadedLayout>& layout);
    void cancelPreviewFetch();

    RefPtr<AppDelegate> m_appDelegate;
    std::vector<Ref<QVUploadedLayout>> m_layouts;
    std::vector<Ref<QVUploadedLayout>> m_searchResults;
    RefPtr<QVSettings> m_settings;
    RefPtr<QVDevice> m_device;
    RefPtr<UILabel> m_noLayoutsLbl;
    RefPtr<UIActivityIndicatorView> m_loadingLayoutList;
    RefPtr<UIRefreshControl> m_refreshLayouts;
    RefPtr<UITableView> m_layoutTable;
    RefPtr<UINavigationBar> m_navBar;
    RefPtr<UISearchBar> m_layoutSearchBar;
    RefPtr<UISegmentedControl> m_sortingControl;
    RefPtr<QNHTTPRequest> m_refreshRequest;
    RefPtr<QNFormDataRequest> m_updateDownloadCountRequest;
    RefPtr<QNHTTPRequest> m_downloadFileRequest;
    RefPtr<UIActionSheet> m_downloadLayoutActionSheet;
    std::vector<Download> m_downloads;
    RefPtr<QNHTTPRequest> m_previewRequest;
    RefPtr<QVUploadedLayout> m_previewLayout;
    RefPtr<QVLayoutPreview> m_expandedPreview;
};

} // namespace qv
