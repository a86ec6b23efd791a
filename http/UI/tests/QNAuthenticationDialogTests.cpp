#include "http/UI/QNAuthenticationDialog.h"
#include "platform/UIKit/UIKitTesting.h"
#include "http/UI/QNUIKitServices.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/Driver/UIDriver.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIKeyboard.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIWindow.h"

#include <cmath>

#include "testing/LoopbackHTTPServer.h"
#include "testing/LoopbackNTLMServer.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::testing;

namespace {

// A window on an iPhone, with the dialog installed; requests against the
// Digest server ask the user through it.
class QNAuthenticationDialogTest : public LoopbackRequestTest {
protected:
    void SetUp() override
    {
        LoopbackRequestTest::SetUp();
        applyDeviceProfile(*DeviceProfile::named("iphone-4"));
        m_window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
        m_window->setRootViewController(makeRef<UIViewController>());
        m_window->makeKeyAndVisible();
        QNAuthenticationDialog::install();
    }
    void TearDown() override
    {
        QNHTTPRequest::setAuthenticationDialogPresenter(nullptr);
        QNHTTPRequest::clearSession();
        LoopbackRequestTest::TearDown();
    }

    // Started; its end sets the flag until the guard goes.
    Ref<QNHTTPRequest> askingRequest(const std::string& url, bool* done, RequestsSilencedAtEnd& silenced)
    {
        auto request = this->request(url);
        request->setShouldPresentAuthenticationDialog(true);
        request->setCompletionBlock([done] { *done = true; });
        request->setFailedBlock([done] { *done = true; });
        silenced.add(request);
        request->startAsynchronous();
        return request;
    }

    RefPtr<UIWindow> m_window;
    LoopbackHTTPServer m_server { m_serverFiles.path() };
};

} // namespace

TEST_F(QNAuthenticationDialogTest, CredentialsTypedInTheDialogGoToEveryRequestThatNeedsThem)
{
    bool firstDone = false, secondDone = false;
    RequestsSilencedAtEnd silenced;
    auto first = askingRequest(m_server.url("/_/digest/first"), &firstDone, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    auto second = askingRequest(m_server.url("/_/digest/second"), &secondDone, silenced);
    // The second waits behind the one dialog on screen.
    ASSERT_TRUE(runMainLoopUntil([] { return QNAuthenticationDialog::waitingRequestCount() == 1; }));
    auto dialog = QNAuthenticationDialog::sharedDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->request(), first.ptr());
    EXPECT_EQ(dialog->usernameField()->placeholder(), "User");
    EXPECT_TRUE(dialog->passwordField()->secureTextEntry());
    EXPECT_FALSE(dialog->domainField()) << "no domain for Digest";

    UIDriver& driver = UIDriver::shared();
    EXPECT_EQ(driver.execute("type user"), "{\"ok\":true,\"command\":\"type user\",\"changed\":true}");
    dialog->passwordField()->becomeFirstResponder();
    EXPECT_EQ(driver.execute("type secret"), "{\"ok\":true,\"command\":\"type secret\",\"changed\":true}");
    EXPECT_EQ(driver.execute("baritem Login"), "{\"ok\":true,\"command\":\"baritem Login\"}");
    ASSERT_TRUE(runMainLoopUntil([&] { return firstDone && secondDone; }));
    EXPECT_FALSE(first->error());
    EXPECT_FALSE(second->error());
    EXPECT_EQ(first->responseStatusCode(), 200);
    EXPECT_EQ(second->responseStatusCode(), 200);
    ASSERT_TRUE(runMainLoopUntil([] { return !QNAuthenticationDialog::sharedDialog(); }));
}

TEST_F(QNAuthenticationDialogTest, CancellingFailsTheRequest)
{
    // The invisible presenting controller's view: zero-sized, untouchable.
    auto presenterViews = [&] {
        const auto views = m_window->subviews();
        return std::count_if(views.begin(), views.end(), [](const auto& view) { return view->frame() == CGRectZero && !view->userInteractionEnabled(); });
    };
    bool done = false;
    RequestsSilencedAtEnd silenced;
    auto request = askingRequest(m_server.url("/_/digest/cancelled"), &done, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    EXPECT_EQ(presenterViews(), 1);
    EXPECT_EQ(UIDriver::shared().execute("baritem Cancel"), "{\"ok\":true,\"command\":\"baritem Cancel\"}");
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    ASSERT_TRUE(request->error());
    EXPECT_EQ(request->error()->code(), QNAuthenticationErrorType);
    // Gone with the dialog, the controller leaves the window as it was.
    ASSERT_TRUE(runMainLoopUntil([&] { return !QNAuthenticationDialog::sharedDialog() && presenterViews() == 0; }));
}

TEST_F(QNAuthenticationDialogTest, TheActivityIndicatorShowsWhileRequestsRunAndBackgroundTimeEnds)
{
    QNUIKitServices::install();
    auto application = UIApplication::sharedApplication();
    bool done = false;
    auto request = this->request(m_server.url("/_/hang"));
    request->setTimeOutSeconds(1);
    request->setShouldContinueWhenAppEntersBackground(true);
    request->setFailedBlock([&] { done = true; });
    RequestsSilencedAtEnd silenced { request };
    request->startAsynchronous();
    ASSERT_TRUE(runMainLoopUntil([&] { return application->networkActivityIndicatorVisible(); }));
    EXPECT_EQ(application->runningBackgroundTasks().size(), 1u);
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    // Hidden half a second after the last request, and the task ended.
    ASSERT_TRUE(runMainLoopUntil([&] { return !application->networkActivityIndicatorVisible() && application->runningBackgroundTasks().empty(); }));
    EXPECT_EQ(QNUIKitServices().deviceModel(), "iPhone");
}

TEST_F(QNAuthenticationDialogTest, OnAPhoneTheSheetMakesRoomForTheKeyboardAndTurnsWithTheDevice)
{
    bool done = false;
    RequestsSilencedAtEnd silenced;
    auto request = askingRequest(m_server.url("/_/digest/turning"), &done, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    auto dialog = QNAuthenticationDialog::sharedDialog();
    EXPECT_TRUE(dialog->didEnableRotationNotifications());
    EXPECT_TRUE(UIDevice::currentDevice().isGeneratingDeviceOrientationNotifications());

    // The user name field took the keyboard: the table scrolls above it.
    ASSERT_TRUE(UIKeyboard::isVisible());
    EXPECT_EQ(dialog->tableView()->contentInset().bottom, UIKeyboard::frame().size.height);
    EXPECT_EQ(dialog->tableView()->scrollIndicatorInsets().bottom, UIKeyboard::frame().size.height);
    auto prompt = [&] { return dialog->view()->subviews().empty() ? std::nullopt : dynamicRefCast<UINavigationBar>(RefPtr<UIView>(dialog->view()->subviews().front()))->topItem()->prompt(); };
    EXPECT_EQ(prompt(), "Login to this secure server.");

    struct Turn {
        const char* orientation;
        double angle;
        bool landscape;
    };
    const Turn turns[] = { { "landscaperight", -M_PI / 2, true }, { "portrait", 0, false }, { "landscapeleft", M_PI / 2, true } };
    UIDriver& driver = UIDriver::shared();
    for (const Turn& turn : turns) {
        SCOPED_TRACE(turn.orientation);
        ScopedAnimationTrace animations;
        const CGRect before = UIScreen::mainScreen().applicationFrame();
        EXPECT_EQ(driver.execute(std::string("rotate ") + turn.orientation), std::string("{\"ok\":true,\"command\":\"rotate ") + turn.orientation + "\",\"rotated\":true}");
        // The sheet follows once the interface has turned.
        ASSERT_TRUE(runMainLoopUntil([&] { return !animations.entries().empty(); }));
        EXPECT_EQ(animations.entries().back().duration, 0.3);
        const CGAffineTransform transform = dialog->view()->transform();
        EXPECT_NEAR(std::atan2(transform.b, transform.a), turn.angle, 1e-9);
        // Laid out upright at the application frame's size, sides swapped in
        // landscape, and turned by the transform.
        const CGRect application = UIScreen::mainScreen().applicationFrame();
        EXPECT_NE(application.size.width, before.size.width);
        const CGSize upright = dialog->view()->bounds().size;
        EXPECT_EQ(upright.width, turn.landscape ? application.size.height : application.size.width);
        EXPECT_EQ(upright.height, turn.landscape ? application.size.width : application.size.height);
        EXPECT_EQ(dialog->view()->frame().origin.y, application.origin.y);
        // In landscape the prompt goes; upright it is back. The table
        // stays right below the bar.
        if (turn.landscape)
            EXPECT_FALSE(prompt());
        else
            EXPECT_EQ(prompt(), "Login to this secure server.");
        auto bar = dynamicRefCast<UINavigationBar>(RefPtr<UIView>(dialog->view()->subviews().front()));
        EXPECT_EQ(dialog->tableView()->frame().origin.y, bar->frame().size.height);
        EXPECT_EQ(CGRectGetMaxY(dialog->tableView()->frame()), dialog->view()->bounds().size.height);
    }
    driver.execute("rotate portrait");
    EXPECT_EQ(driver.execute("baritem Cancel"), "{\"ok\":true,\"command\":\"baritem Cancel\"}");
    ASSERT_TRUE(runMainLoopUntil([&] { return done && !QNAuthenticationDialog::sharedDialog(); }));
    dialog = nullptr;
    // The dialog's ask for orientation notifications ended with it.
    ASSERT_TRUE(runMainLoopUntil([] { return !UIDevice::currentDevice().isGeneratingDeviceOrientationNotifications(); }));
}

TEST_F(QNAuthenticationDialogTest, OnThePadTheSheetLeavesTheKeyboardAndTurningToUIKit)
{
    applyDeviceProfile(*DeviceProfile::named("ipad"));
    bool done = false;
    RequestsSilencedAtEnd silenced;
    auto request = askingRequest(m_server.url("/_/digest/pad"), &done, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    auto dialog = QNAuthenticationDialog::sharedDialog();
    EXPECT_EQ(dialog->modalPresentationStyle(), UIModalPresentationFormSheet);
    EXPECT_FALSE(dialog->didEnableRotationNotifications());
    EXPECT_TRUE(UIKeyboard::isVisible());
    EXPECT_EQ(dialog->tableView()->contentInset().bottom, 0);
    UIDriver::shared().execute("baritem Cancel");
    ASSERT_TRUE(runMainLoopUntil([&] { return done && !QNAuthenticationDialog::sharedDialog(); }));
}

TEST_F(QNAuthenticationDialogTest, AnNTLMLoginAsksForTheDomainToo)
{
    LoopbackNTLMServer server(LoopbackNTLMServer::Kind::Server);
    bool done = false;
    RequestsSilencedAtEnd silenced;
    auto request = askingRequest(server.url("/ntlm/dialog"), &done, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    auto dialog = QNAuthenticationDialog::sharedDialog();
    ASSERT_TRUE(dialog->domainField());
    EXPECT_EQ(dialog->domainField()->placeholder(), "Domain");
    EXPECT_FALSE(dialog->domainField()->secureTextEntry());
    EXPECT_EQ(dialog->tableViewTitleForFooterInSection(dialog->tableView().get(), 0), std::nullopt) << "the footer is the last section's";
    EXPECT_EQ(dialog->tableViewTitleForFooterInSection(dialog->tableView().get(), 1), "Password will be sent securely.");

    UIDriver& driver = UIDriver::shared();
    driver.execute("type user");
    dialog->passwordField()->becomeFirstResponder();
    driver.execute("type secret");
    dialog->domainField()->becomeFirstResponder();
    EXPECT_EQ(driver.execute("type QUILT"), "{\"ok\":true,\"command\":\"type QUILT\",\"changed\":true}");
    EXPECT_EQ(driver.execute("baritem Login"), "{\"ok\":true,\"command\":\"baritem Login\"}");
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    ASSERT_FALSE(request->error()) << request->error()->description();
    EXPECT_EQ(request->domain(), "QUILT");
    EXPECT_NE(request->responseString().value_or("").find("account QUILT\\user"), std::string::npos) << request->responseString().value_or("");
    ASSERT_TRUE(runMainLoopUntil([] { return !QNAuthenticationDialog::sharedDialog(); }));
}

TEST_F(QNAuthenticationDialogTest, AProxyLoginNamesTheProxyAndItsDomainGoesToTheProxy)
{
    // Plain through the proxy, and https through its tunnel, whose login
    // runs on the CONNECT.
    LoopbackNTLMServer secureServer(LoopbackNTLMServer::Kind::SecureServer);
    for (const std::string& url : { m_server.url("/_/echo/through"), secureServer.url("/open/through") }) {
        SCOPED_TRACE(url);
        LoopbackNTLMServer proxy(LoopbackNTLMServer::Kind::Proxy);
        auto request = this->request(url);
        request->setValidatesSecureCertificate(false);
        request->setProxyHost("127.0.0.1");
        request->setProxyPort(proxy.port());
        request->setShouldPresentProxyAuthenticationDialog(true);
        bool done = false;
        request->setCompletionBlock([&] { done = true; });
        request->setFailedBlock([&] { done = true; });
        RequestsSilencedAtEnd silenced { request };
        request->startAsynchronous();
        ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
        auto dialog = QNAuthenticationDialog::sharedDialog();
        EXPECT_EQ(dialog->type(), 1);
        auto bar = dynamicRefCast<UINavigationBar>(RefPtr<UIView>(dialog->view()->subviews().front()));
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar->topItem()->title(), "127.0.0.1");
        EXPECT_EQ(bar->topItem()->prompt(), "Login to this secure proxy server.");
        ASSERT_TRUE(dialog->domainField());

        UIDriver& driver = UIDriver::shared();
        driver.execute("type user");
        dialog->passwordField()->becomeFirstResponder();
        driver.execute("type secret");
        dialog->domainField()->becomeFirstResponder();
        driver.execute("type QUILT");
        EXPECT_EQ(driver.execute("baritem Login"), "{\"ok\":true,\"command\":\"baritem Login\"}");
        ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
        ASSERT_FALSE(request->error()) << request->error()->description();
        EXPECT_EQ(request->proxyUsername(), "user");
        EXPECT_EQ(request->proxyDomain(), "QUILT");
        EXPECT_EQ(request->domain(), "") << "a proxy login leaves the server's fields";
        EXPECT_EQ(request->responseStatusCode(), 200);
        EXPECT_EQ(request->responseString().value_or("").find("Proxy-Authorization"), std::string::npos) << "the proxy's credentials stop at the proxy";
        auto proxied = proxy.nextRequest();
        ASSERT_TRUE(proxied);
        EXPECT_EQ(proxied->verdict, "challenge");
        ASSERT_TRUE(runMainLoopUntil([] { return !QNAuthenticationDialog::sharedDialog(); }));
    }
}

TEST_F(QNAuthenticationDialogTest, ADialogLeftBehindANewerOneClosesItselfAndLeavesTheNewerOne)
{
    // Two servers, two logins: the second waits behind the first dialog.
    LoopbackHTTPServer otherServer(m_serverFiles.path());
    bool firstDone = false, secondDone = false;
    RequestsSilencedAtEnd silenced;
    auto first = askingRequest(m_server.url("/_/digest/behind"), &firstDone, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    RefPtr<QNAuthenticationDialog> behind = QNAuthenticationDialog::sharedDialog();
    auto second = askingRequest(otherServer.url("/_/digest/front"), &secondDone, silenced);
    ASSERT_TRUE(runMainLoopUntil([] { return QNAuthenticationDialog::waitingRequestCount() == 1; }));

    // Covered by another screen, the first dialog disappears: the next one
    // comes up for the waiting request. Uncovered, the first is back on
    // screen beside it, no longer the shared one.
    auto cover = makeRef<UIViewController>();
    behind->presentViewController(cover, false);
    ASSERT_TRUE(runMainLoopUntil([&] { return QNAuthenticationDialog::sharedDialog() && QNAuthenticationDialog::sharedDialog() != behind; }));
    RefPtr<QNAuthenticationDialog> front = QNAuthenticationDialog::sharedDialog();
    EXPECT_EQ(front->request(), second.ptr());
    behind->dismissViewControllerAnimated(false);
    auto onScreen = [](const RefPtr<QNAuthenticationDialog>& dialog) { return static_cast<bool>(dialog->presentingViewController()); };
    ASSERT_TRUE(onScreen(behind));
    ASSERT_TRUE(onScreen(front));

    // The Cancel of the dialog left behind closes that dialog, fails its
    // request alone, and leaves the newer one the shared one.
    auto barOf = [](const RefPtr<QNAuthenticationDialog>& dialog) {
        return dynamicRefCast<UINavigationBar>(RefPtr<UIView>(dialog->view()->subviews().front()));
    };
    ASSERT_TRUE(barOf(behind)->topItem()->leftBarButtonItem()->tap());
    ASSERT_TRUE(runMainLoopUntil([&] { return firstDone && !behind->view()->window(); }));
    // Its disappearance ends after the transition: run past it (a slow
    // machine could only make the checks below weaker, never fail them).
    runMainLoopUntil([] { return false; }, 3 * UIViewController::transitionDuration);
    EXPECT_FALSE(secondDone);
    EXPECT_TRUE(onScreen(front)) << "the newer dialog stays";
    EXPECT_EQ(QNAuthenticationDialog::sharedDialog(), front);

    // The newer one's Cancel, through the driver, closes it too.
    EXPECT_EQ(UIDriver::shared().execute("baritem Cancel"), "{\"ok\":true,\"command\":\"baritem Cancel\"}");
    ASSERT_TRUE(runMainLoopUntil([&] { return secondDone && !onScreen(front) && !QNAuthenticationDialog::sharedDialog(); }));
    for (const auto& request : { first, second }) {
        ASSERT_TRUE(request->error());
        EXPECT_EQ(request->error()->code(), QNAuthenticationErrorType);
    }

    // The shared dialog closing itself goes through the class operation.
    bool thirdDone = false;
    RequestsSilencedAtEnd thirdSilenced;
    auto third = askingRequest(m_server.url("/_/digest/third"), &thirdDone, thirdSilenced);
    ASSERT_TRUE(runMainLoopUntil([] { return static_cast<bool>(QNAuthenticationDialog::sharedDialog()); }));
    auto shared = QNAuthenticationDialog::sharedDialog();
    shared->dismissThisDialog();
    ASSERT_TRUE(runMainLoopUntil([&] { return !onScreen(shared) && !QNAuthenticationDialog::sharedDialog(); }));
    // Closing it answers nothing: the request still waits for an answer.
    EXPECT_FALSE(thirdDone);
    third->cancelAuthentication();
    ASSERT_TRUE(runMainLoopUntil([&] { return thirdDone; }));
}
