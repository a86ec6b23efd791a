#include "SpringBoardDump.h"

#include "platform/Driver/UIScreenDump.h"
#include "platform/Foundation/JSONWriter.h"
#include "platform/SpringBoard/SBFolderBackgroundView.h"
#include "platform/SpringBoard/SBFolderIcon.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SpringBoard.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UILabel.h"

#include <algorithm>

namespace qv {

namespace {

void writeNameOrNull(JSONWriter& writer, const char* key, const std::string* name)
{
    writer.key(key);
    if (name)
        writer.value(*name);
    else
        writer.null();
}

void writeIcon(JSONWriter& writer, SBIcon& icon, SBIconView* view)
{
    writer.beginObject();
    writer.member("name", icon.name());
    writer.member("kind", icon.kindName());
    writer.key("frame");
    UIScreenDump::writeRect(writer, view ? view->frame() : CGRectZero);
    writer.member("alpha", view ? view->alpha() : 0.0);
    if (auto* folderIcon = dynamic_cast<SBFolderIcon*>(&icon)) {
        writer.key("gridImage").beginArray();
        for (const Ref<SBIcon>& shown : folderIcon->iconsInGridImage())
            writer.value(shown->name());
        writer.endArray();
    }
    writer.endObject();
}

void writeList(JSONWriter& writer, SBIconListView& list)
{
    writer.beginObject();
    writer.member("class", std::string(object_getClassName(&list)));
    writer.key("frame");
    UIScreenDump::writeRect(writer, list.frame());
    writer.member("orientation", list.orientation());
    writer.member("hidden", list.hidden());
    writer.member("editing", list.isEditing());
    writer.key("icons").beginArray();
    for (const Ref<SBIcon>& icon : list.listModel()->iconObjects())
        writeIcon(writer, icon, list.iconViewForIcon(icon.ptr()).get());
    writer.endArray();
    // What else the list shows, such as an extension's views.
    std::vector<Ref<SBIconView>> iconViews = list.iconViews();
    writer.key("views").beginArray();
    for (const Ref<UIView>& view : list.subviews()) {
        bool isIconView = std::any_of(iconViews.begin(), iconViews.end(), [&](const Ref<SBIconView>& iconView) { return iconView.ptr() == view.ptr(); });
        if (isIconView)
            continue;
        writer.beginObject().member("class", view->className()).key("frame");
        UIScreenDump::writeRect(writer, view->frame());
        writer.member("alpha", view->alpha());
        writer.key("texts").beginArray();
        for (const Ref<UIView>& part : view->subviews()) {
            if (auto* label = dynamic_cast<UILabel*>(part.ptr()))
                writer.value(label->text());
        }
        writer.endArray().endObject();
    }
    writer.endArray();
    writer.endObject();
}

void writeLists(JSONWriter& writer, const std::vector<Ref<SBIconListView>>& lists)
{
    writer.beginArray();
    for (const Ref<SBIconListView>& list : lists)
        writeList(writer, list);
    writer.endArray();
}

constexpr const char* listClasses[] = { "SBRootIconListView", "SBFolderIconListView", "SBDockIconListView", "SBNewsstandIconListView" };

void writeCapacity(JSONWriter& writer)
{
    writer.key("capacity").beginObject();
    for (const char* listClass : listClasses)
        writer.member(listClass, SBIconListView::maxIcons(objc_getClass(listClass)));
    writer.endObject();
}

// The rows each kind of list has in the current orientation: all of them
// and the visible ones, as its class answers.
void writeRows(JSONWriter& writer, int64_t orientation)
{
    writer.key("rows").beginObject();
    for (const char* listClass : listClasses) {
        Class cls = objc_getClass(listClass);
        writer.key(listClass).beginArray();
        writer.value(SBIconListView::iconRowsForInterfaceOrientation(cls, orientation));
        writer.value(SBIconListView::maxVisibleIconRowsInterfaceOrientation(cls, orientation));
        writer.endArray();
    }
    writer.endObject();
}

void writeOpenFolder(JSONWriter& writer, SBIconController& controller)
{
    writer.key("openFolder");
    RefPtr<SBFolderController> open = controller._openFolderController();
    if (!open) {
        writer.null();
        return;
    }
    writer.beginObject();
    writer.member("name", open->folderObject()->name());
    writer.member("currentPage", open->currentPageIndex());
    writer.key("frame");
    RefPtr<SBFolderBackgroundView> background = open->backgroundView();
    UIScreenDump::writeRect(writer, background ? background->frame() : CGRectZero);
    writer.member("cornerRadius", SBFolderBackgroundView::cornerRadiusToInsetContent());
    writer.endObject();
}

} // namespace

void writeSpringBoardState(JSONWriter& writer)
{
    RefPtr<SpringBoard> springBoard = dynamicRefCast<SpringBoard>(UIApplication::sharedApplication()->delegate());
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    writer.beginObject();
    writer.member("finishedLaunching", springBoard && springBoard->hasFinishedLaunching());
    writer.member("locked", springBoard && springBoard->lockScreenViewController()->isLocked());
    if (controller) {
        writer.member("orientation", controller->orientation());
        writer.member("editing", controller->isEditing());
        writer.member("currentPage", controller->currentIconListIndex());
        RefPtr<SBIcon> held = controller->grabbedIcon();
        writeNameOrNull(writer, "grabbedIcon", held ? &held->name() : nullptr);
        RefPtr<SBApplication> launched = controller->lastLaunchedApplication();
        writeNameOrNull(writer, "lastLaunchedApplication", launched ? &launched->name() : nullptr);
        writeCapacity(writer);
        writeRows(writer, controller->orientation());
        Ref<SBRootFolderController> rootController = controller->rootFolderControllerObject();
        writer.key("pages");
        writeLists(writer, rootController->listViews());
        writer.key("dock");
        if (RefPtr<SBDockIconListView> dock = rootController->dockListView())
            writeList(writer, *dock);
        else
            writer.null();
        writer.key("folders").beginArray();
        for (const Ref<SBFolderController>& folderController : controller->folderControllersOfFolders()) {
            writer.beginObject();
            writer.member("name", folderController->folderObject()->name());
            RefPtr<SBFolderIcon> icon = folderController->folderObject()->icon();
            writer.member("kind", icon ? icon->kindName() : std::string("folder"));
            writer.key("pages");
            writeLists(writer, folderController->listViews());
            writer.endObject();
        }
        writer.endArray();
        writeOpenFolder(writer, *controller);
    }
    writer.endObject();
}

} // namespace qv
