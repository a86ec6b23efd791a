#include "SpringBoardCommands.h"

#include "platform/Driver/UIDriver.h"
#include "platform/SpringBoard/SBFolderIcon.h"
#include "platform/SpringBoard/SBIconContentView.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SpringBoard.h"
#include "platform/UIKit/UIApplication.h"

namespace qv {

namespace {

// SpringBoard when it has finished launching, else the reason why not.
RefPtr<SpringBoard> launchedSpringBoard(UIDriverResponse& response)
{
    RefPtr<SpringBoard> springBoard = dynamicRefCast<SpringBoard>(UIApplication::sharedApplication()->delegate());
    if (!springBoard || !springBoard->hasFinishedLaunching()) {
        response.fail("SpringBoard has not finished launching");
        return nullptr;
    }
    return springBoard;
}

// The icon controller of a launched, unlocked SpringBoard.
RefPtr<SBIconController> homeScreen(UIDriverResponse& response)
{
    RefPtr<SpringBoard> springBoard = launchedSpringBoard(response);
    if (!springBoard)
        return nullptr;
    if (springBoard->lockScreenViewController()->isLocked()) {
        response.fail("the device is locked");
        return nullptr;
    }
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    if (!controller)
        response.fail("SpringBoard has no home screen");
    return controller;
}

// The icon of that name on the screen.
RefPtr<SBIcon> iconOnScreen(SBIconController& controller, const std::string& name, UIDriverResponse& response)
{
    if (name.empty()) {
        response.fail("name an icon");
        return nullptr;
    }
    RefPtr<SBIcon> icon = controller.iconNamed(name);
    if (!icon) {
        response.fail("no icon \"" + name + "\"");
        return nullptr;
    }
    if (!controller.visibleListContainingIcon(icon.get())) {
        response.fail("\"" + name + "\" is not on the screen");
        return nullptr;
    }
    return icon;
}

void iconCommands(UIDriver& driver)
{
    driver.registerCommand("hold", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        RefPtr<SBIcon> icon = controller ? iconOnScreen(*controller, command.rest(), response) : nullptr;
        if (!icon)
            return;
        if (controller->grabbedIcon())
            return response.fail("an icon is held already");
        controller->iconHandleLongPress(icon.get());
        response.members().member("held", icon->name());
    });
    driver.registerCommand("drag", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        if (!controller)
            return;
        std::optional<double> x = command.number(0);
        std::optional<double> y = command.number(1);
        if (!x || !y || command.words().size() != 2)
            return response.fail("give the point as X Y");
        RefPtr<SBIcon> held = controller->grabbedIcon();
        if (!held)
            return response.fail("no icon is held");
        Ref<SBIconContentView> contentView = controller->contentViewObject();
        CGPoint point = contentView->convertPointFromView(CGPointMake(*x, *y), nullptr);
        controller->dragGrabbedIconToPoint(point);
        RefPtr<SBIconListView> list = controller->visibleListContainingIcon(held.get());
        if (list)
            response.members().member("index", list->listModel()->indexOfIcon(held.get()));
    });
    driver.registerCommand("release", [](const UIDriverCommand&, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        if (!controller)
            return;
        RefPtr<SBIcon> held = controller->grabbedIcon();
        if (!held)
            return response.fail("no icon is held");
        controller->icon(held.get(), true);
        response.members().member("released", held->name());
    });
    driver.registerCommand("launch", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        RefPtr<SBIcon> icon = controller ? iconOnScreen(*controller, command.rest(), response) : nullptr;
        if (icon && !controller->launchIcon(*icon))
            response.fail("\"" + icon->name() + "\" cannot be launched");
    });
}

void folderAndModeCommands(UIDriver& driver)
{
    driver.registerCommand("open", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        RefPtr<SBIcon> icon = controller ? iconOnScreen(*controller, command.rest(), response) : nullptr;
        if (!icon)
            return;
        auto* folderIcon = dynamic_cast<SBFolderIcon*>(icon.get());
        if (!folderIcon)
            return response.fail("\"" + icon->name() + "\" is no folder");
        controller->openFolder(folderIcon->folderObject(), true);
    });
    driver.registerCommand("close", [](const UIDriverCommand&, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        if (!controller)
            return;
        if (!controller->_openFolderController())
            return response.fail("no folder is open");
        controller->closeFolder();
    });
    driver.registerCommand("edit", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        if (!controller)
            return;
        if (command.rest() != "on" && command.rest() != "off")
            return response.fail("say edit on or edit off");
        controller->setIsEditing(command.rest() == "on");
    });
    driver.registerCommand("page", [](const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<SBIconController> controller = homeScreen(response);
        if (!controller)
            return;
        std::optional<long long> index = command.integer(0);
        if (!index || *index < 0 || !controller->scrollToIconListAtIndex(static_cast<uint64_t>(*index)))
            return response.fail("no page \"" + command.rest() + "\"");
    });
    driver.registerCommand("lock", [](const UIDriverCommand&, UIDriverResponse& response) {
        if (RefPtr<SpringBoard> springBoard = launchedSpringBoard(response))
            springBoard->lockScreenViewController()->lock();
    });
    driver.registerCommand("unlock", [](const UIDriverCommand&, UIDriverResponse& response) {
        RefPtr<SpringBoard> springBoard = launchedSpringBoard(response);
        if (!springBoard)
            return;
        if (!springBoard->lockScreenViewController()->isLocked())
            return response.fail("the device is not locked");
        springBoard->lockScreenViewController()->finishUIUnlockFromSource(0);
    });
}

} // namespace

void registerSpringBoardCommands(UIDriver& driver)
{
    iconCommands(driver);
    folderAndModeCommands(driver);
}

} // namespace qv
