#include "QuiltVaneHost.h"

#include "LibraryDump.h"

#include "editor/AppDelegate.h"
#include "editor/QVLayoutMaker.h"
#include "editor/QVRootViewController.h"
#include "http/UI/QNUIKitServices.h"
#include "library/QVSavedLayouts.h"
#include "library/QVUploadedLayouts.h"
#include "model/QVLayoutKeys.h"
#include "platform/Driver/DrivenApplicationMain.h"
#include "platform/Driver/UIDriver.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UITabBarItem.h"

namespace qv {

namespace {

RefPtr<QVRootViewController> rootController()
{
    RefPtr<AppDelegate> delegate = AppDelegate::shared();
    RefPtr<UIWindow> window = delegate ? delegate->window() : nullptr;
    return window ? dynamicRefCast<QVRootViewController>(window->rootViewController()) : nullptr;
}

void writeRect(JSONWriter& writer, std::string_view name, CGRect rect)
{
    writer.key(name).beginArray().value(rect.origin.x).value(rect.origin.y).value(rect.size.width).value(rect.size.height).endArray();
}

void writeGrid(JSONWriter& writer, QVLayoutMaker& editor)
{
    Ref<QVGridView> grid = editor.gridView().toRef();
    const CGSize size = QVSettings::currentSettings()->gridSize();
    writer.key("grid").beginObject();
    writer.member("shown", grid->shown());
    writeRect(writer, "viewFrame", grid->frame());
    writeRect(writer, "frame", grid->gridBG()->frame());
    writer.member("columns", size.width).member("rows", size.height);
    writer.member("slots", static_cast<uint64_t>(grid->gridIconPositions().size()));
    writer.member("snapToGrid", QVSettings::currentSettings()->snapToGrid());
    RefPtr<QVGridLineChangeView> panel = grid->gridLineChangeView();
    writer.member("sizePanelShowing", panel && panel->isShowing());
    writer.endObject();
}

void writeIcons(JSONWriter& writer, QVLayoutMaker& editor)
{
    Ref<QVIconManager> manager = editor.iconManager().toRef();
    writer.key("icons").beginArray();
    for (const Ref<QVIcon>& icon : manager->icons()) {
        writer.beginObject();
        writer.member("number", icon->tag());
        writeRect(writer, "frame", icon->frame());
        writer.member("lockedIndex", icon->lockedIndex());
        writer.member("selected", icon->selected());
        RefPtr<QVIconPositionPopController> panel = icon->iconPositionController();
        writer.member("positionPanelShowing", panel && panel->isShowing());
        writer.endObject();
    }
    writer.endArray();
    writer.member("portraitCache", static_cast<uint64_t>(manager->portraitIconCache().size()));
    writer.member("landscapeCache", static_cast<uint64_t>(manager->landscapeIconCache().size()));
}

void writeButtons(JSONWriter& writer, QVLayoutMaker& editor)
{
    writer.key("buttons").beginObject();
    const std::pair<const char*, RefPtr<UIButton>> buttons[] = {
        { "Options", editor.optionButton() }, { "Done", editor.doneSelectingButton() }, { "+", editor.addIconButton() },
        { "Save", editor.saveButton() }, { "Grid", editor.gridButton() }, { "Image", editor.imageButton() },
    };
    for (const auto& [name, button] : buttons) {
        if (!button)
            continue;
        writer.key(name).beginObject();
        writeRect(writer, "frame", button->frame());
        writer.member("alpha", button->alpha());
        writer.endObject();
    }
    writer.endObject();
}

void writeLayoutCommand(const UIDriverCommand& command, UIDriverResponse& response)
{
    RefPtr<QVLayoutMaker> editor = runningLayoutMaker();
    if (!editor || command.words().empty()) {
        response.fail(editor ? "usage: writelayout NAME [both|portrait|landscape]" : "the editor is not loaded");
        return;
    }
    const std::string halves = command.words().size() > 1 ? command.words()[1] : "both";
    if (halves != "both" && halves != "portrait" && halves != "landscape") {
        response.fail("halves must be both, portrait or landscape");
        return;
    }
    RefPtr<NSDictionary> layout = editor->generateLayout(halves != "landscape", halves != "portrait");
    if (!layout) {
        response.fail("the editor has no such half");
        return;
    }
    if (!editor->writeLayout(*layout, command.words()[0]))
        response.fail("the layout could not be written");
    else
        response.members().member("path", stringWithFormat("%@/%@.plist", QVSettings::currentSettings()->userLayoutPath(), command.words()[0]));
}

void openLayoutCommand(const UIDriverCommand& command, UIDriverResponse& response)
{
    RefPtr<AppDelegate> delegate = AppDelegate::shared();
    RefPtr<QVRootViewController> tabs = rootController();
    if (!delegate || !tabs || command.rest().empty()) {
        response.fail("usage: openlayout NAME");
        return;
    }
    RefPtr<NSDictionary> layout = NSDictionary::dictionaryWithContentsOfFile(
        stringWithFormat("%@/%@.plist", QVSettings::currentSettings()->userLayoutPath(), command.rest()));
    if (!layout) {
        response.fail("no readable layout of that name");
        return;
    }
    delegate->setViewLayout(true);
    delegate->setViewLayoutData(layout);
    if (tabs->selectedIndex() != 0)
        tabs->setSelectedIndex(0);
    else if (RefPtr<QVLayoutMaker> editor = runningLayoutMaker())
        editor->viewWillAppear(true);
}

} // namespace

RefPtr<QVLayoutMaker> runningLayoutMaker()
{
    RefPtr<QVRootViewController> tabs = rootController();
    if (!tabs || tabs->viewControllers().empty())
        return nullptr;
    RefPtr<QVLayoutMaker> editor = dynamicRefCast<QVLayoutMaker>(tabs->viewControllers()[0]);
    return editor && editor->isViewLoaded() ? editor : nullptr;
}

void loadQuiltVaneMainInterface(UIApplication&, UIApplicationDelegate& delegate)
{
    AppDelegate* appDelegate = dynamic_cast<AppDelegate*>(&delegate);
    if (!appDelegate)
        return;
    Ref<UIWindow> window = makeRef<UIWindow>(UIScreen::mainScreen().bounds());
    Ref<QVRootViewController> tabs = makeRef<QVRootViewController>();
    Ref<QVLayoutMaker> editor = makeRef<QVLayoutMaker>();
    editor->setTitle("Editor");
    Ref<QVSavedLayouts> saved = makeRef<QVSavedLayouts>();
    saved->setTitle("Saved");
    Ref<QVUploadedLayouts> uploaded = makeRef<QVUploadedLayouts>();
    uploaded->setTitle("Uploaded");
    tabs->setViewControllers({ editor, saved, uploaded });
    tabs->setSelectedIndex(0);
    window->setRootViewController(tabs);
    appDelegate->setWindow(window);
    window->makeKeyAndVisible();
}

void registerQuiltVaneCommands()
{
    UIDriver& driver = UIDriver::shared();
    driver.registerCommand("writelayout", writeLayoutCommand);
    driver.registerCommand("openlayout", openLayoutCommand);
    driver.registerDumpSection("editor", writeEditorState);
    driver.registerDumpSection("library", writeLibraryState);
}

void writeEditorState(JSONWriter& writer)
{
    RefPtr<QVLayoutMaker> editor = runningLayoutMaker();
    if (!editor || !editor->gridView() || !editor->iconManager()) {
        writer.null();
        return;
    }
    writer.beginObject();
    writer.member("orientation", editor->interfaceOrientation());
    writeRect(writer, "viewFrame", editor->view()->frame());
    writer.member("selecting", editor->selectingIcons());
    writer.member("buttonsHidden", editor->buttonsHidden());
    writer.member("ignoreIconTouches", editor->ignoreIconTouches());
    writer.member("folderMode", editor->folderModeEnabled());
    writer.member("folderModeRequested", editor->folderModeRequestPending());
    if (RefPtr<UIView> folder = editor->folderBG()) {
        writeRect(writer, "folderFrame", folder->frame());
        writer.member("folderAlpha", folder->alpha());
    }
    writeRect(writer, "defaultIconFrame", editor->defaultIconFrame());
    writer.key("maxIconPoint").beginArray().value(editor->maxIconPoint().x).value(editor->maxIconPoint().y).endArray();
    writeGrid(writer, *editor);
    writeIcons(writer, *editor);
    writeButtons(writer, *editor);
    writer.endObject();
}

int QuiltVaneMain(int argc, char** argv)
{
    // The HTTP library asks the application for the device's names (the
    // User-Agent says "iPad" on an iPad), its activity indicator and
    // background time.
    QNUIKitServices::install();
    registerQuiltVaneCommands();
    auto makeDelegate = [] { return Ref<UIApplicationDelegate>(makeRef<AppDelegate>()); };
    return DrivenApplicationMain(argc, argv, makeDelegate, loadQuiltVaneMainInterface);
}

} // namespace qv
