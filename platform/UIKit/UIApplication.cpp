#include "UIApplication.h"

#include "UIViewController.h"
#include "UIWindow.h"

#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/core/Log.h"

namespace qv {

const std::string UIApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
const std::string UIApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
const std::string UIApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
const std::string UIApplicationWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
const std::string UIApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";

Ref<UIApplication> UIApplication::sharedApplication()
{
    static UIApplication* application = makeRef<UIApplication>().leak(); // lives as long as the process
    return *application;
}

RefPtr<UIApplicationDelegate> UIApplication::delegate() const
{
    return m_delegate;
}

void UIApplication::setDelegate(RefPtr<UIApplicationDelegate> delegate)
{
    m_delegate = std::move(delegate);
}

RefPtr<UIWindow> UIApplication::keyWindow() const
{
    return UIWindow::keyWindow();
}

std::vector<Ref<UIWindow>> UIApplication::windows() const
{
    return UIWindow::windows();
}

void UIApplication::setStatusBarOrientation(UIInterfaceOrientation orientation, bool)
{
    if (!UIInterfaceOrientationIsValid(orientation)) {
        logLine("UIApplication: refused a status bar orientation that is none of the four");
        return;
    }
    m_statusBarOrientation = orientation;
}

// Background tasks

UIBackgroundTaskIdentifier UIApplication::beginBackgroundTaskWithExpirationHandler(std::function<void()> handler)
{
    std::lock_guard guard(m_tasksLock);
    const UIBackgroundTaskIdentifier identifier = ++m_lastTask;
    m_backgroundTasks[identifier] = { std::move(handler), false };
    return identifier;
}

void UIApplication::endBackgroundTask(UIBackgroundTaskIdentifier identifier)
{
    std::function<void()> handler; // destroyed outside the lock
    {
        std::lock_guard guard(m_tasksLock);
        auto task = m_backgroundTasks.find(identifier);
        if (task == m_backgroundTasks.end()) {
            logLine("UIApplication: background task " + std::to_string(identifier) + " is not running; nothing to end");
            return;
        }
        handler = std::move(task->second.expirationHandler);
        m_backgroundTasks.erase(task);
    }
}

std::vector<UIBackgroundTaskIdentifier> UIApplication::runningBackgroundTasks() const
{
    std::lock_guard guard(m_tasksLock);
    std::vector<UIBackgroundTaskIdentifier> identifiers;
    for (const auto& entry : m_backgroundTasks)
        identifiers.push_back(entry.first);
    return identifiers;
}

void UIApplication::expireBackgroundTasks()
{
    std::vector<std::function<void()>> handlers;
    {
        std::lock_guard guard(m_tasksLock);
        for (auto& entry : m_backgroundTasks) {
            if (entry.second.expired || !entry.second.expirationHandler)
                continue;
            entry.second.expired = true;
            handlers.push_back(entry.second.expirationHandler);
        }
    }
    for (const std::function<void()>& handler : handlers)
        handler();
}

// The application's life

void UIApplication::tell(void (UIApplicationDelegate::*call)(UIApplication*), const std::string& notification)
{
    Ref<UIApplication> protect(*this);
    if (RefPtr<UIApplicationDelegate> delegate = m_delegate)
        ((*delegate).*call)(this);
    NSNotificationCenter::defaultCenter()->postNotificationName(notification, RefPtr<NSObject>(this));
}

void UIApplication::didFinishLaunching()
{
    if (RefPtr<UIApplicationDelegate> delegate = m_delegate)
        delegate->applicationDidFinishLaunchingWithOptions(this, nullptr);
}

void UIApplication::becomeActive()
{
    if (m_state == UIApplicationStateActive)
        return;
    m_state = UIApplicationStateActive;
    tell(&UIApplicationDelegate::applicationDidBecomeActive, UIApplicationDidBecomeActiveNotification);
}

void UIApplication::resignActive()
{
    if (m_state != UIApplicationStateActive)
        return;
    m_state = UIApplicationStateInactive;
    tell(&UIApplicationDelegate::applicationWillResignActive, UIApplicationWillResignActiveNotification);
}

void UIApplication::enterBackground()
{
    if (m_state == UIApplicationStateBackground)
        return;
    resignActive();
    m_state = UIApplicationStateBackground;
    tell(&UIApplicationDelegate::applicationDidEnterBackground, UIApplicationDidEnterBackgroundNotification);
}

void UIApplication::enterForeground()
{
    if (m_state != UIApplicationStateBackground)
        return;
    m_state = UIApplicationStateInactive;
    tell(&UIApplicationDelegate::applicationWillEnterForeground, UIApplicationWillEnterForegroundNotification);
    becomeActive();
}

void UIApplication::terminate(int status)
{
    if (m_terminating)
        return;
    m_terminating = true;
    m_exitStatus = status;
    tell(&UIApplicationDelegate::applicationWillTerminate, UIApplicationWillTerminateNotification);
    NSRunLoop::mainRunLoop()->wakeUp();
}

} // namespace qv
