#pragma once

#include "http/QNHTTPRequest.h"
#include "http/UI/QNAutorotatingViewController.h"

#include "platform/Foundation/NSNotification.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UITextField.h"

#include <vector>

namespace qv {

// The login sheet of requests that need a user name and password nobody
// else could give: one on screen at a time, the others waiting; the typed
// credentials go to every waiting request that needs the same ones, and a
// cancel fails them all. Main thread only.
class QNAuthenticationDialog : public QNAutorotatingViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    // Makes requests show this dialog when they need it.
    static void install();
    static void presentAuthenticationDialogForRequest(QNHTTPRequest& request);
    // The dialog on screen, if any.
    static RefPtr<QNAuthenticationDialog> sharedDialog();
    // Closes the dialog on screen (the shared one).
    static void dismiss();
    // Closes this dialog: the shared one through dismiss(), any other by
    // itself, so that a dialog left on screen behind a newer one closes
    // itself and not the newer one.
    void dismissThisDialog();
    // How many requests wait for the dialog on screen to go.
    static size_t waitingRequestCount();

    RefPtr<QNHTTPRequest> request() const { return m_request; }
    int type() const { return m_type; }
    RefPtr<UITableView> tableView() const { return m_tableView; }
    RefPtr<UITextField> usernameField() const { return textFieldInRow(0, 0); }
    RefPtr<UITextField> passwordField() const { return textFieldInRow(1, 0); }
    RefPtr<UITextField> domainField() const { return textFieldInRow(0, 1); }

    void loginWithCredentialsFromDialog();
    void cancelAuthenticationFromDialog();

    NSInteger numberOfSectionsInTableView(UITableView*) override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger section) override;
    std::optional<std::string> tableViewTitleForFooterInSection(UITableView*, NSInteger section) override;
    CGFloat tableViewHeightForHeaderInSection(UITableView*, NSInteger section) override;
    CGFloat tableViewHeightForFooterInSection(UITableView*, NSInteger section) override;
    void viewDidDisappear(bool animated) override;

    // The keyboard came up: on a phone the table scrolls above it.
    void keyboardWillShow(NSNotification& notification);
    // The device turned: on a phone the sheet turns with the interface.
    void orientationChanged(NSNotification& notification);
    bool didEnableRotationNotifications() const { return m_didEnableRotationNotifications; }

    std::string className() const override { return "QNAuthenticationDialog"; }
    ~QNAuthenticationDialog() override;

private:
    void startObservingNotifications();
    void turnWithInterface();
    void show();
    void showTitle();
    void layoutTableBelowBar();
    bool needsDomain() const;
    std::vector<Ref<QNHTTPRequest>> requestsRequiringTheseCredentials() const;
    RefPtr<UITextField> textFieldInRow(NSInteger row, NSInteger section) const;
    // The invisible controller that presents the sheet, made on first use
    // in the application's first window and taken out of it with the dialog.
    RefPtr<UIViewController> presentingController();
    static void presentNextDialog();
    void askPresenterToDismiss();

    RefPtr<QNHTTPRequest> m_request;
    int m_type = 0;
    RefPtr<UITableView> m_tableView;
    RefPtr<UINavigationBar> m_bar;
    std::vector<Ref<UITableViewCell>> m_cells;
    bool m_didEnableRotationNotifications = false;
    RefPtr<QNAutorotatingViewController> m_presentingController;
};

} // namespace qv
