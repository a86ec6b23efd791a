#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/UIKit/UIApplicationDelegate.h"
#include "platform/UIKit/UIResponder.h"
#include "platform/UIKit/UIWindow.h"

#include <cstdint>

namespace qv {

// The application's delegate: the window, the layout handed from the saved
// layouts tab to the editor, and the application-wide rotation switch that
// the editor and its tutorial cards turn off and on.
class AppDelegate : public UIResponder, public UIApplicationDelegate {
public:
    std::string className() const override { return "AppDelegate"; }
    AppDelegate() = default;

    // The shared application's delegate, when it is an AppDelegate.
    static RefPtr<AppDelegate> shared();

    RefPtr<UIWindow> window() const { return m_window; }
    void setWindow(RefPtr<UIWindow> window) { m_window = std::move(window); }

    bool viewLayout() const { return m_viewLayout; }
    void setViewLayout(bool viewLayout) { m_viewLayout = viewLayout; }
    RefPtr<NSDictionary> viewLayoutData() const { return m_viewLayoutData; }
    void setViewLayoutData(RefPtr<NSDictionary> data) { m_viewLayoutData = std::move(data); }

    bool shouldAutoRotate() const { return m_shouldAutoRotate; }
    void setShouldAutoRotate(bool shouldAutoRotate) { m_shouldAutoRotate = shouldAutoRotate; }

    // Portrait, upside down and both landscapes (30), whatever was set.
    uint32_t supportedInterfaceOrientations() const { return 30; }
    void setSupportedInterfaceOrientations(uint32_t orientations) { m_supportedInterfaceOrientations = orientations; }

    bool applicationDidFinishLaunchingWithOptions(UIApplication*, NSDictionary*) override { return true; }
    // The selected tab reads its content again each time the application
    // comes to the front.
    void applicationDidBecomeActive(UIApplication*) override;

protected:
    ~AppDelegate() override = default;

private:
    RefPtr<UIWindow> m_window;
    bool m_viewLayout = false;
    RefPtr<NSDictionary> m_viewLayoutData;
    bool m_shouldAutoRotate = true;
    uint32_t m_supportedInterfaceOrientations = 30;
};

} // namespace qv
