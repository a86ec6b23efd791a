#include "QNAuthenticationDialog.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSValue.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIKeyboard.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UITableViewCell.h"
#include "platform/UIKit/UIWindow.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// Main thread only, as everything here.
RefPtr<QNAuthenticationDialog>& shared()
{
    static RefPtr<QNAuthenticationDialog> dialog;
    return dialog;
}

std::vector<Ref<QNHTTPRequest>>& waitingRequests()
{
    static std::vector<Ref<QNHTTPRequest>> requests;
    return requests;
}

bool isPad()
{
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
}

// A device that cannot tell its idiom is taken for a phone.
bool isPhone()
{
    return !isPad();
}

} // namespace

void QNAuthenticationDialog::install()
{
    QNHTTPRequest::setAuthenticationDialogPresenter([](QNHTTPRequest& request) { presentAuthenticationDialogForRequest(request); });
}

size_t QNAuthenticationDialog::waitingRequestCount()
{
    return waitingRequests().size();
}

RefPtr<QNAuthenticationDialog> QNAuthenticationDialog::sharedDialog()
{
    return shared();
}

void QNAuthenticationDialog::presentAuthenticationDialogForRequest(QNHTTPRequest& request)
{
    if (shared()) {
        waitingRequests().emplace_back(request);
        return;
    }
    auto dialog = makeRef<QNAuthenticationDialog>();
    dialog->startObservingNotifications();
    shared() = dialog;
    dialog->m_request = &request;
    dialog->m_type = request.authenticationNeeded() == 2 ? 1 : 0;
    dialog->show();
}

void QNAuthenticationDialog::startObservingNotifications()
{
    auto center = NSNotificationCenter::defaultCenter();
    WeakPtr<QNAuthenticationDialog> weakThis(*this);
    center->addObserver(*this, [weakThis](NSNotification& notification) {
        if (auto dialog = weakThis.lock())
            dialog->keyboardWillShow(notification);
    }, UIKeyboardWillShowNotification, nullptr);
    if (!isPhone())
        return;
    UIDevice& device = UIDevice::currentDevice();
    if (!device.isGeneratingDeviceOrientationNotifications()) {
        device.beginGeneratingDeviceOrientationNotifications();
        m_didEnableRotationNotifications = true;
    }
    center->addObserver(*this, [weakThis](NSNotification& notification) {
        if (auto dialog = weakThis.lock())
            dialog->orientationChanged(notification);
    }, UIDeviceOrientationDidChangeNotification, nullptr);
}

QNAuthenticationDialog::~QNAuthenticationDialog()
{
    NSNotificationCenter::defaultCenter()->removeObserver(*this);
    // The device's orientation notifications are asked for in nested
    // pairs: the dialog's own ask ends with it.
    if (m_didEnableRotationNotifications)
        UIDevice::currentDevice().endGeneratingDeviceOrientationNotifications();
    if (m_presentingController)
        m_presentingController->view()->removeFromSuperview();
}

void QNAuthenticationDialog::keyboardWillShow(NSNotification& notification)
{
    if (!isPhone() || !m_tableView)
        return;
    RefPtr<NSValue> frame = notification.userInfo() ? notification.userInfo()->objectForKey<NSValue>(UIKeyboardFrameEndUserInfoKey) : nullptr;
    if (!frame)
        return;
    const CGFloat height = frame->CGRectValue().size.height;
    UIEdgeInsets content = m_tableView->contentInset();
    content.bottom = height;
    m_tableView->setContentInset(content);
    UIEdgeInsets indicators = m_tableView->scrollIndicatorInsets();
    indicators.bottom = height;
    m_tableView->setScrollIndicatorInsets(indicators);
}

void QNAuthenticationDialog::orientationChanged(NSNotification&)
{
    if (!isPhone())
        return;
    // The device tells of its turn before the interface has turned: the
    // sheet follows the status bar once it has.
    WeakPtr<QNAuthenticationDialog> weakThis(*this);
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [weakThis] {
        if (auto dialog = weakThis.lock())
            dialog->turnWithInterface();
    });
}

void QNAuthenticationDialog::turnWithInterface()
{
    showTitle();
    const UIInterfaceOrientation orientation = UIApplication::sharedApplication()->statusBarOrientation();
    CGFloat angle = 0;
    if (orientation == UIInterfaceOrientationPortraitUpsideDown)
        angle = M_PI;
    else if (orientation == UIInterfaceOrientationLandscapeRight)
        angle = -M_PI / 2;
    else if (orientation == UIInterfaceOrientationLandscapeLeft)
        angle = M_PI / 2;
    // The view is laid out upright and turned by its transform: its size
    // is the application frame's with the sides swapped in landscape.
    const CGRect screen = UIScreen::mainScreen().applicationFrame();
    const bool landscape = orientation == UIInterfaceOrientationLandscapeLeft || orientation == UIInterfaceOrientationLandscapeRight;
    const CGSize size = landscape ? CGSizeMake(screen.size.height, screen.size.width) : screen.size;
    auto view = this->view();
    const CGAffineTransform old = view->transform();
    view->setTransform(CGAffineTransformIdentity);
    view->setFrame(CGRectMake(0, 0, size.width, size.height));
    layoutTableBelowBar();
    view->setTransform(old);
    const CGPoint origin = screen.origin;
    UIView::animateWithDuration(0.3, [view, angle, origin] {
        view->setTransform(CGAffineTransformMakeRotation(angle));
        // The turned frame moves by its center: the size stays the
        // transform's.
        const CGRect frame = view->frame();
        const CGPoint center = view->center();
        view->setCenter(CGPointMake(center.x + origin.x - frame.origin.x, center.y + origin.y - frame.origin.y));
    });
}

RefPtr<UIViewController> QNAuthenticationDialog::presentingController()
{
    if (!m_presentingController) {
        auto windows = UIApplication::sharedApplication()->windows();
        if (windows.empty())
            return nullptr;
        m_presentingController = makeRef<QNAutorotatingViewController>();
        m_presentingController->view()->setFrame(CGRectZero);
        m_presentingController->view()->setUserInteractionEnabled(false);
        windows.front()->addSubview(m_presentingController->view());
    }
    return m_presentingController;
}

bool QNAuthenticationDialog::needsDomain() const
{
    const std::string& scheme = m_type == 1 ? m_request->proxyAuthenticationScheme() : m_request->authenticationScheme();
    return scheme == kCFHTTPAuthenticationSchemeNTLM;
}

void QNAuthenticationDialog::show()
{
    auto view = this->view();
    for (const auto& subview : view->subviews())
        subview->removeFromSuperview();
    m_bar = makeRef<UINavigationBar>(CGRectMake(0, 0, view->bounds().size.width, 44));
    m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    auto item = makeRef<UINavigationItem>(m_type == 1 ? m_request->proxyHost() : (m_request->url() ? m_request->url()->host() : ""));
    item->setLeftBarButtonItem(makeRef<UIBarButtonItem>(UIBarButtonSystemItemCancel, this, &QNAuthenticationDialog::cancelAuthenticationFromDialog));
    item->setRightBarButtonItem(makeRef<UIBarButtonItem>("Login", UIBarButtonItemStyleDone, this, &QNAuthenticationDialog::loginWithCredentialsFromDialog));
    m_bar->pushNavigationItem(item, false);
    view->addSubview(m_bar);
    showTitle();

    const CGFloat top = m_bar->frame().size.height;
    m_tableView = makeRef<UITableView>(CGRectMake(0, top, view->bounds().size.width, view->bounds().size.height - top), UITableViewStyleGrouped);
    m_tableView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_tableView->setDelegate(WeakPtr<UITableViewDelegate>(static_cast<UITableViewDelegate*>(this)));
    m_tableView->setDataSource(WeakPtr<UITableViewDataSource>(static_cast<UITableViewDataSource*>(this)));
    view->addSubview(m_tableView);
    m_tableView->reloadData();

    if (isPad())
        setModalPresentationStyle(UIModalPresentationFormSheet);
    if (auto presenter = presentingController())
        presenter->presentViewController(this, true);
    if (auto field = usernameField())
        field->becomeFirstResponder();
}

void QNAuthenticationDialog::showTitle()
{
    auto item = m_bar ? m_bar->topItem() : nullptr;
    if (!item)
        return;
    const auto orientation = UIDevice::currentDevice().orientation();
    if (orientation == UIDeviceOrientationPortrait || orientation == UIDeviceOrientationPortraitUpsideDown)
        item->setPrompt(m_type == 1 ? "Login to this secure proxy server." : "Login to this secure server.");
    else
        item->setPrompt(std::nullopt);
    m_bar->sizeToFit();
    layoutTableBelowBar();
}

void QNAuthenticationDialog::layoutTableBelowBar()
{
    // The table keeps right below the bar, whose height the prompt decides.
    if (!m_tableView || !m_bar)
        return;
    const CGFloat top = m_bar->frame().size.height;
    const CGRect bounds = view()->bounds();
    m_tableView->setFrame(CGRectMake(0, top, bounds.size.width, bounds.size.height - top));
}

NSInteger QNAuthenticationDialog::numberOfSectionsInTableView(UITableView*)
{
    return needsDomain() ? 2 : 1;
}

NSInteger QNAuthenticationDialog::tableViewNumberOfRowsInSection(UITableView*, NSInteger section)
{
    return section == 0 ? 2 : 1;
}

Ref<UITableViewCell> QNAuthenticationDialog::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    auto cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, std::nullopt);
    cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
    const CGRect bounds = cell->bounds();
    auto field = makeRef<UITextField>(CGRectMake(10, 10, bounds.size.width - 20, bounds.size.height - 20));
    field->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    field->setAutocapitalizationType(UITextAutocapitalizationTypeNone);
    field->setAutocorrectionType(UITextAutocorrectionTypeNo);
    if (indexPath->section() == 0 && indexPath->row() == 0) {
        field->setPlaceholder("User");
    } else if (indexPath->section() == 0) {
        field->setPlaceholder("Password");
        field->setSecureTextEntry(true);
    } else {
        field->setPlaceholder("Domain");
    }
    cell->contentView()->addSubview(field);
    return cell;
}

std::optional<std::string> QNAuthenticationDialog::tableViewTitleForHeaderInSection(UITableView*, NSInteger section)
{
    if (section != 0)
        return std::nullopt;
    return m_request->authenticationRealm();
}

std::optional<std::string> QNAuthenticationDialog::tableViewTitleForFooterInSection(UITableView* table, NSInteger section)
{
    if (section != numberOfSectionsInTableView(table) - 1)
        return std::nullopt;
    const bool clear = m_request->authenticationScheme() == kCFHTTPAuthenticationSchemeBasic && m_request->url() && m_request->url()->scheme() != "https";
    return clear ? "Password will be sent in the clear." : "Password will be sent securely.";
}

CGFloat QNAuthenticationDialog::tableViewHeightForHeaderInSection(UITableView*, NSInteger section)
{
    return section == 0 ? (isPad() ? 54 : 30) : 0;
}

CGFloat QNAuthenticationDialog::tableViewHeightForFooterInSection(UITableView* table, NSInteger section)
{
    return section == numberOfSectionsInTableView(table) - 1 ? 30 : 0;
}

RefPtr<UITextField> QNAuthenticationDialog::textFieldInRow(NSInteger row, NSInteger section) const
{
    if (!m_tableView)
        return nullptr;
    auto cell = m_tableView->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(row, section).ptr());
    if (!cell || cell->contentView()->subviews().empty())
        return nullptr;
    return dynamicRefCast<UITextField>(RefPtr<UIView>(cell->contentView()->subviews().front()));
}

std::vector<Ref<QNHTTPRequest>> QNAuthenticationDialog::requestsRequiringTheseCredentials() const
{
    std::vector<Ref<QNHTTPRequest>> requests;
    auto url = m_request->url();
    for (const auto& waiting : waitingRequests()) {
        auto other = waiting->url();
        if (waiting->authenticationNeeded() != m_request->authenticationNeeded() || !url || !other)
            continue;
        if (other->host() != url->host() || other->port() != url->port() || other->scheme() != url->scheme())
            continue;
        if (waiting->authenticationRealm() != m_request->authenticationRealm())
            continue;
        if (std::find(requests.begin(), requests.end(), waiting) == requests.end())
            requests.push_back(waiting);
    }
    requests.emplace_back(*m_request);
    return requests;
}

void QNAuthenticationDialog::loginWithCredentialsFromDialog()
{
    auto user = usernameField();
    auto password = passwordField();
    auto domain = needsDomain() ? domainField() : nullptr;
    for (const auto& request : requestsRequiringTheseCredentials()) {
        if (m_type == 1) {
            request->setProxyUsername(user ? user->text() : "");
            request->setProxyPassword(password ? password->text() : "");
            if (domain)
                request->setProxyDomain(domain->text());
        } else {
            request->setUsername(user ? user->text() : "");
            request->setPassword(password ? password->text() : "");
            if (domain)
                request->setDomain(domain->text());
        }
        request->retryUsingSuppliedCredentials();
        std::erase(waitingRequests(), request);
    }
    dismissThisDialog();
}

void QNAuthenticationDialog::cancelAuthenticationFromDialog()
{
    for (const auto& request : requestsRequiringTheseCredentials()) {
        request->cancelAuthentication();
        std::erase(waitingRequests(), request);
    }
    dismissThisDialog();
}

void QNAuthenticationDialog::dismiss()
{
    if (auto dialog = shared())
        dialog->askPresenterToDismiss();
}

void QNAuthenticationDialog::dismissThisDialog()
{
    if (shared() == this)
        dismiss();
    else
        askPresenterToDismiss();
}

void QNAuthenticationDialog::askPresenterToDismiss()
{
    RefPtr<UIViewController> presenter = presentingViewController();
    if (!presenter)
        presenter = parentViewController();
    if (presenter)
        presenter->dismissViewControllerAnimated(true);
}

void QNAuthenticationDialog::viewDidDisappear(bool animated)
{
    Ref<QNAuthenticationDialog> protect(*this);
    if (shared() == this)
        shared() = nullptr;
    NSRunLoop::mainRunLoop()->performInModes({ NSRunLoopCommonModes }, [] { presentNextDialog(); });
}

void QNAuthenticationDialog::presentNextDialog()
{
    auto& waiting = waitingRequests();
    if (waiting.empty() || shared())
        return;
    Ref<QNHTTPRequest> next = waiting.front();
    waiting.erase(waiting.begin());
    presentAuthenticationDialogForRequest(next);
}

} // namespace qv
