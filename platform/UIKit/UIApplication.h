#pragma once

#include "UIApplicationDelegate.h"
#include "UIInterfaceOrientation.h"
#include "UIResponder.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace qv {

class UIWindow;

using UIBackgroundTaskIdentifier = uint64_t;
inline constexpr UIBackgroundTaskIdentifier UIBackgroundTaskInvalid = 0;

enum UIApplicationState : int64_t {
    UIApplicationStateActive = 0,
    UIApplicationStateInactive = 1,
    UIApplicationStateBackground = 2,
};

extern const std::string UIApplicationDidBecomeActiveNotification;
extern const std::string UIApplicationWillResignActiveNotification;
extern const std::string UIApplicationDidEnterBackgroundNotification;
extern const std::string UIApplicationWillEnterForegroundNotification;
extern const std::string UIApplicationWillTerminateNotification;

// The running application: its delegate (retained, as the application made
// it), its windows, the status bar and the services the system asks of it.
//
// There is one, made on first use; UIApplicationMain gives it its delegate
// and runs it. The state drivers stand for the user and the system: each
// tells the delegate, then posts the matching notification on the process's
// notification center, and does nothing when the application is in that
// state already. Background tasks and the status-bar flags may be used from
// any thread; everything else belongs to the main thread.
class UIApplication : public UIResponder {
public:
    std::string className() const override { return "UIApplication"; }
    static Ref<UIApplication> sharedApplication();

    RefPtr<UIApplicationDelegate> delegate() const;
    void setDelegate(RefPtr<UIApplicationDelegate> delegate);

    RefPtr<UIWindow> keyWindow() const;
    std::vector<Ref<UIWindow>> windows() const;

    UIInterfaceOrientation statusBarOrientation() const { return m_statusBarOrientation.load(); }
    void setStatusBarOrientation(UIInterfaceOrientation orientation, bool animated = false);
    bool networkActivityIndicatorVisible() const { return m_networkActivityIndicatorVisible.load(); }
    void setNetworkActivityIndicatorVisible(bool visible) { m_networkActivityIndicatorVisible = visible; }
    bool idleTimerDisabled() const { return m_idleTimerDisabled.load(); }
    void setIdleTimerDisabled(bool disabled) { m_idleTimerDisabled = disabled; }

    // Background tasks. Ending an identifier that is not running logs a
    // line and does nothing.
    UIBackgroundTaskIdentifier beginBackgroundTaskWithExpirationHandler(std::function<void()> handler);
    void endBackgroundTask(UIBackgroundTaskIdentifier identifier);
    std::vector<UIBackgroundTaskIdentifier> runningBackgroundTasks() const;
    // The system's time for the tasks ran out: every running task's handler
    // runs once, on the calling thread, outside the lock; the task keeps
    // running until it is ended.
    void expireBackgroundTasks();

    // The application's life.
    UIApplicationState applicationState() const { return m_state; }
    void didFinishLaunching();
    void becomeActive();
    void resignActive();
    // Resigns first when active.
    void enterBackground();
    // Becomes active afterwards.
    void enterForeground();
    // Tells the delegate the application will terminate and stops the main
    // loop of UIApplicationMain, which returns the status.
    void terminate(int status = 0);
    bool isTerminating() const { return m_terminating; }
    int exitStatus() const { return m_exitStatus; }

protected:
    ~UIApplication() override = default;

private:
    QV_MAKE_REF_FRIEND;
    UIApplication() = default;

    struct BackgroundTask {
        std::function<void()> expirationHandler;
        bool expired = false;
    };

    void tell(void (UIApplicationDelegate::*call)(UIApplication*), const std::string& notification);

    RefPtr<UIApplicationDelegate> m_delegate;
    std::atomic<UIInterfaceOrientation> m_statusBarOrientation { UIInterfaceOrientationPortrait };
    std::atomic<bool> m_networkActivityIndicatorVisible { false };
    std::atomic<bool> m_idleTimerDisabled { false };
    mutable std::mutex m_tasksLock;
    std::map<UIBackgroundTaskIdentifier, BackgroundTask> m_backgroundTasks;
    UIBackgroundTaskIdentifier m_lastTask = UIBackgroundTaskInvalid;
    UIApplicationState m_state = UIApplicationStateInactive;
    bool m_terminating = false;
    int m_exitStatus = 0;
};

} // namespace qv
