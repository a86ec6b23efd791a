#include "LibraryDump.h"

#include "QuiltVaneHost.h"

#include "editor/AppDelegate.h"
#include "editor/QVLayoutMaker.h"
#include "library/QVApplyLayout.h"
#include "library/QVSavedLayouts.h"
#include "library/QVUploadedLayouts.h"
#include "library/themes/QVThemeBrowser.h"
#include "library/themes/QVThemeDetailView.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UIPopoverController.h"
#include "platform/UIKit/UITabBarController.h"

namespace qv {

namespace {

RefPtr<UITabBarController> rootTabs()
{
    RefPtr<AppDelegate> delegate = AppDelegate::shared();
    RefPtr<UIWindow> window = delegate ? delegate->window() : nullptr;
    return window ? dynamicRefCast<UITabBarController>(window->rootViewController()) : nullptr;
}

template<typename T>
RefPtr<T> tabOfKind()
{
    RefPtr<UITabBarController> tabs = rootTabs();
    if (!tabs)
        return nullptr;
    for (const Ref<UIViewController>& controller : tabs->viewControllers()) {
        if (RefPtr<T> found = dynamicRefCast<T>(controller))
            return found;
    }
    return nullptr;
}

void writeSize(JSONWriter& writer, std::string_view name, const RefPtr<UIImage>& image)
{
    writer.key(name);
    if (!image) {
        writer.null();
        return;
    }
    writer.beginArray().value(image->size().width).value(image->size().height).endArray();
}

std::string colourName(const UIColor& colour)
{
    for (const auto& [name, known] : { std::pair { "black", UIColor::blackColor() }, std::pair { "darkGray", UIColor::darkGrayColor() },
             std::pair { "gray", UIColor::grayColor() }, std::pair { "lightGray", UIColor::lightGrayColor() } }) {
        if (colour.isEqual(known.ptr()))
            return name;
    }
    return "other";
}

// Every row of a table as its data source makes it: text, colour and marks.
void writeRows(JSONWriter& writer, UITableView& table)
{
    RefPtr<UITableViewDataSource> source = table.dataSource();
    writer.key("sections").beginArray();
    for (NSInteger section = 0; source && section < table.numberOfSections(); ++section) {
        writer.beginObject();
        std::optional<std::string> header = source->tableViewTitleForHeaderInSection(&table, section);
        writer.key("header");
        header ? writer.value(*header) : writer.null();
        writer.key("rows").beginArray();
        for (NSInteger row = 0; row < table.numberOfRowsInSection(section); ++row) {
            Ref<UITableViewCell> cell = source->tableViewCellForRowAtIndexPath(&table, NSIndexPath::indexPathForRow(row, section).ptr());
            writer.beginObject();
            writer.member("text", cell->textLabel()->text());
            writer.member("colour", colourName(*cell->textLabel()->textColor()));
            writer.member("checked", cell->accessoryType() == UITableViewCellAccessoryCheckmark);
            writer.member("selectable", cell->selectionStyle() != UITableViewCellSelectionStyleNone);
            RefPtr<UIView> accessory = cell->accessoryView();
            writer.member("accessory", accessory ? accessory->className() : std::string());
            writer.endObject();
        }
        writer.endArray().endObject();
    }
    writer.endArray();
}

void writeSaved(JSONWriter& writer)
{
    RefPtr<QVSavedLayouts> saved = tabOfKind<QVSavedLayouts>();
    writer.key("saved");
    if (!saved || !saved->layoutTable()) {
        writer.null();
        return;
    }
    writer.beginObject();
    writer.key("layouts").beginArray();
    for (const Ref<QVLayout>& layout : saved->layouts()) {
        writer.beginObject();
        writer.member("name", layout->layoutName());
        writer.member("default", layout->defaultLayout());
        writer.member("QV", layout->QV());
        writer.member("folder", layout->folderLayout());
        writer.member("thumbnail", layout->layoutPreview() ? static_cast<uint64_t>(layout->layoutPreview()->subviews().size()) : uint64_t { 0 });
        writer.endObject();
    }
    writer.endArray();
    writeRows(writer, *saved->layoutTable());
    writer.member("editing", saved->layoutTable()->editing());
    writer.member("editTitle", saved->editButton()->title());
    writer.member("editEnabled", saved->editButton()->enabled());
    writer.member("tableHidden", saved->layoutTable()->hidden());
    writer.member("labelHidden", saved->noLayoutsLbl()->hidden());
    writer.endObject();
}

// The "Uploaded" tab: the list, each row as the table shows it (with its
// count and height), the expanded row's thumbnail and the loading state.
void writeUploaded(JSONWriter& writer)
{
    RefPtr<QVUploadedLayouts> uploaded = tabOfKind<QVUploadedLayouts>();
    writer.key("uploaded");
    if (!uploaded || !uploaded->layoutTable()) {
        writer.null();
        return;
    }
    Ref<UITableView> table = uploaded->layoutTable().toRef();
    writer.beginObject();
    writer.member("title", uploaded->navBar()->topItem()->title());
    writer.member("sorting", uploaded->sortingControl()->selectedSegmentIndex());
    writer.member("search", uploaded->layoutSearchBar()->text());
    writer.member("label", uploaded->noLayoutsLbl()->text());
    writer.member("tableHidden", table->hidden());
    writer.member("loading", uploaded->loadingLayoutList()->isAnimating());
    writer.member("refreshing", uploaded->refreshLayouts()->refreshing());
    writer.member("downloads", static_cast<uint64_t>(uploaded->runningDownloads()));
    writer.member("previewLoading", uploaded->previewLoading());
    writer.key("layouts").beginArray();
    for (const Ref<QVUploadedLayout>& layout : uploaded->layouts()) {
        writer.beginObject();
        writer.member("name", layout->layoutName());
        writer.member("downloads", layout->layoutDownloads());
        writer.member("selected", layout->selected());
        writer.member("url", layout->layoutURL() ? layout->layoutURL()->absoluteString() : std::string());
        writer.endObject();
    }
    writer.endArray();
    RefPtr<UITableViewDataSource> source = table->dataSource();
    RefPtr<UITableViewDelegate> delegate = table->delegate();
    writer.key("rows").beginArray();
    for (NSInteger row = 0; source && row < table->numberOfRowsInSection(0); ++row) {
        Ref<NSIndexPath> indexPath = NSIndexPath::indexPathForRow(row, 0);
        // Only the table's own cells: asking the data source for another
        // would hand it the expanded row's thumbnail.
        RefPtr<UITableViewCell> cell = table->cellForRowAtIndexPath(indexPath.ptr());
        writer.beginObject();
        if (!cell) {
            writer.member("visible", false).endObject();
            continue;
        }
        writer.member("text", cell->textLabel()->text());
        writer.member("colour", colourName(*cell->textLabel()->textColor()));
        writer.member("detail", cell->detailTextLabel()->text());
        writer.member("height", delegate ? delegate->tableViewHeightForRowAtIndexPath(table.ptr(), indexPath.ptr()) : table->rowHeight());
        writer.member("selectable", cell->selectionStyle() != UITableViewCellSelectionStyleNone);
        RefPtr<UIView> accessory = cell->accessoryView();
        writer.member("accessory", accessory ? accessory->className() : std::string());
        writer.endObject();
    }
    writer.endArray();
    RefPtr<NSIndexPath> selected = table->indexPathForSelectedRow();
    writer.key("selectedRow");
    selected ? writer.value(selected->row()) : writer.null();
    writer.key("preview");
    if (RefPtr<QVLayoutPreview> preview = uploaded->expandedPreview()) {
        writer.beginObject();
        writer.member("dots", static_cast<uint64_t>(preview->subviews().size()));
        writer.member("alpha", preview->alpha());
        writer.key("size").beginArray().value(preview->frame().size.width).value(preview->frame().size.height).endArray();
        writer.endObject();
    } else
        writer.null();
    writer.endObject();
}

void writeApply(JSONWriter& writer)
{
    RefPtr<UITabBarController> tabs = rootTabs();
    RefPtr<QVApplyLayout> apply = tabs ? dynamicRefCast<QVApplyLayout>(tabs->presentedViewController()) : nullptr;
    writer.key("apply");
    if (!apply || !apply->applyTable()) {
        writer.null();
        return;
    }
    writer.beginObject();
    writer.member("title", apply->navBar()->topItem()->title());
    writer.member("mode", apply->pageOptionsControl()->selectedSegmentIndex());
    writer.member("saveEnabled", apply->navBar()->topItem()->leftBarButtonItem()->enabled());
    writeRows(writer, *apply->applyTable());
    writer.endObject();
}

// The navigation controller of the theme browser: presented on a phone,
// in a popover on the iPad.
RefPtr<UINavigationController> themeNavigation()
{
    RefPtr<UITabBarController> tabs = rootTabs();
    if (RefPtr<UINavigationController> presented = tabs ? dynamicRefCast<UINavigationController>(tabs->presentedViewController()) : nullptr)
        return presented;
    for (const Ref<UIPopoverController>& popover : UIPopoverController::visiblePopovers()) {
        if (RefPtr<UINavigationController> content = dynamicRefCast<UINavigationController>(popover->contentViewController()))
            return content;
    }
    return nullptr;
}

void writeThemes(JSONWriter& writer)
{
    RefPtr<UINavigationController> navigation = themeNavigation();
    RefPtr<UITableViewController> top = navigation ? dynamicRefCast<UITableViewController>(navigation->topViewController()) : nullptr;
    writer.key("themes");
    if (!top || (!dynamicRefCast<QVThemeBrowser>(top) && !dynamicRefCast<QVThemeDetailView>(top))) {
        writer.null();
        return;
    }
    writer.beginObject();
    writer.member("screen", dynamicRefCast<QVThemeBrowser>(top) ? "browser" : "detail");
    writer.member("title", top->title());
    writeRows(writer, *top->tableView());
    writer.endObject();
}

void writeImages(JSONWriter& writer)
{
    Ref<QVSettings> settings = QVSettings::currentSettings();
    writer.key("images").beginObject();
    writeSize(writer, "icon", settings->currentIconImage());
    writer.member("iconReset", settings->iconImageReset());
    writeSize(writer, "background", settings->currentBackgroundImage());
    writer.member("backgroundReset", settings->backgroundImageReset());
    RefPtr<QVLayoutMaker> editor = runningLayoutMaker();
    writer.key("editorIcons").beginArray();
    if (editor && editor->iconManager()) {
        for (const Ref<QVIcon>& icon : editor->iconManager()->icons()) {
            RefPtr<UIImage> image = icon->iconImageView()->image();
            image ? writer.beginArray().value(image->size().width).value(image->size().height).endArray() : writer.null();
        }
    }
    writer.endArray();
    writeSize(writer, "editorBackground", editor && editor->background() ? editor->background()->image() : nullptr);
    writer.endObject();
}

} // namespace

void writeLibraryState(JSONWriter& writer)
{
    writer.beginObject();
    writeSaved(writer);
    writeUploaded(writer);
    writeApply(writer);
    writeThemes(writer);
    writeImages(writer);
    writer.endObject();
}

} // namespace qv
