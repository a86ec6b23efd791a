#include "AppDelegate.h"

#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UITabBarController.h"

namespace qv {

RefPtr<AppDelegate> AppDelegate::shared()
{
    return dynamicRefCast<AppDelegate>(UIApplication::sharedApplication()->delegate());
}

void AppDelegate::applicationDidBecomeActive(UIApplication*)
{
    if (!m_window)
        return;
    RefPtr<UITabBarController> tabs = dynamicRefCast<UITabBarController>(m_window->rootViewController());
    if (!tabs)
        return;
    const std::vector<Ref<UIViewController>> controllers = tabs->viewControllers();
    const NSUInteger selected = tabs->selectedIndex();
    if (selected < controllers.size())
        controllers[selected]->viewWillAppear(true);
}

} // namespace qv
