#include "UIScreenDump.h"

#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIActivityIndicatorView.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UIImagePickerController.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UIPopoverController.h"
#include "platform/UIKit/UIRefreshControl.h"
#include "platform/UIKit/UISearchBar.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UIStepper.h"
#include "platform/UIKit/UISwitch.h"
#include "platform/UIKit/UITabBar.h"
#include "platform/UIKit/UITabBarController.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UITableViewHeaderFooterView.h"
#include "platform/UIKit/UITextField.h"
#include "platform/UIKit/UITextView.h"
#include "platform/UIKit/UIToolbar.h"

namespace qv {

namespace {

void writeBarItem(JSONWriter& writer, const UIBarButtonItem& item)
{
    writer.beginObject();
    writer.member("title", item.title());
    if (item.systemItem())
        writer.member("system", item.systemItemName());
    writer.member("enabled", item.enabled());
    writer.member("style", static_cast<int64_t>(item.style()));
    if (RefPtr<UIView> view = item.customView())
        writer.member("customView", view->className());
    writer.endObject();
}

void writeBarItems(JSONWriter& writer, const char* name, const std::vector<Ref<UIBarButtonItem>>& items)
{
    writer.key(name).beginArray();
    for (const Ref<UIBarButtonItem>& item : items)
        writeBarItem(writer, item);
    writer.endArray();
}

// The members only some kinds of view have.
void writeKindMembers(JSONWriter& writer, UIView& view)
{
    if (auto* label = dynamic_cast<UILabel*>(&view)) {
        writer.member("text", label->text());
    } else if (auto* button = dynamic_cast<UIButton*>(&view)) {
        writer.member("title", button->currentTitle());
        writer.member("enabled", button->enabled());
        writer.member("selected", button->selected());
    } else if (auto* field = dynamic_cast<UITextField*>(&view)) {
        writer.member("text", field->text());
        writer.member("placeholder", field->placeholder());
        writer.member("editing", field->editing());
        writer.member("secure", field->secureTextEntry());
    } else if (auto* text = dynamic_cast<UITextView*>(&view)) {
        writer.member("text", text->text());
    } else if (auto* segmented = dynamic_cast<UISegmentedControl*>(&view)) {
        writer.key("segments").beginArray();
        for (size_t i = 0; i < segmented->numberOfSegments(); ++i)
            writer.value(segmented->titleForSegmentAtIndex(i));
        writer.endArray();
        writer.member("selectedSegment", segmented->selectedSegmentIndex());
        writer.member("enabled", segmented->enabled());
    } else if (auto* toggle = dynamic_cast<UISwitch*>(&view)) {
        writer.member("on", toggle->on());
        writer.member("enabled", toggle->enabled());
    } else if (auto* stepper = dynamic_cast<UIStepper*>(&view)) {
        writer.member("value", stepper->value());
        writer.member("minimumValue", stepper->minimumValue());
        writer.member("maximumValue", stepper->maximumValue());
        writer.member("enabled", stepper->enabled());
    } else if (auto* refresh = dynamic_cast<UIRefreshControl*>(&view)) {
        writer.member("refreshing", refresh->refreshing());
    } else if (auto* control = dynamic_cast<UIControl*>(&view)) {
        writer.member("enabled", control->enabled());
    } else if (auto* spinner = dynamic_cast<UIActivityIndicatorView*>(&view)) {
        writer.member("animating", spinner->isAnimating());
    } else if (auto* search = dynamic_cast<UISearchBar*>(&view)) {
        writer.member("text", search->text());
        writer.member("placeholder", search->placeholder());
    } else if (auto* bar = dynamic_cast<UINavigationBar*>(&view)) {
        RefPtr<UINavigationItem> top = bar->topItem();
        writer.member("title", top ? top->title() : std::string());
        if (top && top->prompt())
            writer.member("prompt", *top->prompt());
        if (std::optional<std::string> back = bar->backButtonTitle())
            writer.member("backTitle", *back);
        writeBarItems(writer, "leftItems", top ? top->leftBarButtonItems() : std::vector<Ref<UIBarButtonItem>>());
        writeBarItems(writer, "rightItems", top ? top->rightBarButtonItems() : std::vector<Ref<UIBarButtonItem>>());
    } else if (auto* toolbar = dynamic_cast<UIToolbar*>(&view)) {
        writeBarItems(writer, "items", toolbar->items());
    } else if (auto* tabBar = dynamic_cast<UITabBar*>(&view)) {
        writer.key("items").beginArray();
        int64_t selected = -1;
        for (size_t i = 0; i < tabBar->items().size(); ++i) {
            writer.value(tabBar->items()[i]->title());
            if (tabBar->items()[i].ptr() == tabBar->selectedItem().get())
                selected = static_cast<int64_t>(i);
        }
        writer.endArray();
        writer.member("selectedIndex", selected);
    } else if (auto* table = dynamic_cast<UITableView*>(&view)) {
        writer.member("style", table->style() == UITableViewStyleGrouped ? "grouped" : "plain");
        writer.key("rows").beginArray();
        for (NSInteger s = 0; s < table->numberOfSections(); ++s)
            writer.value(table->numberOfRowsInSection(s));
        writer.endArray();
        if (RefPtr<NSIndexPath> selected = table->indexPathForSelectedRow())
            writer.key("selectedRow").beginArray().value(selected->section()).value(selected->row()).endArray();
        writer.member("editing", table->editing());
        writer.key("contentOffset").beginArray().value(table->contentOffset().x).value(table->contentOffset().y).endArray();
        if (RefPtr<NSIndexPath> confirming = table->indexPathShowingDeleteConfirmation())
            writer.key("deleteConfirmation").beginArray().value(confirming->section()).value(confirming->row()).endArray();
    } else if (auto* cell = dynamic_cast<UITableViewCell*>(&view)) {
        // Read without making the labels, which would change the cell.
        RefPtr<UILabel> text = cell->loadedTextLabel();
        writer.member("text", text ? text->text() : std::string());
        if (RefPtr<UILabel> detail = cell->loadedDetailTextLabel())
            writer.member("detail", detail->text());
        writer.member("accessoryType", static_cast<int64_t>(cell->accessoryType()));
        writer.member("selectionStyle", static_cast<int64_t>(cell->selectionStyle()));
        writer.member("selected", cell->selected());
    } else if (auto* header = dynamic_cast<UITableViewHeaderFooterView*>(&view)) {
        writer.member("text", header->textLabel()->text());
    }
}

} // namespace

void UIScreenDump::writeRect(JSONWriter& writer, CGRect rect)
{
    writer.beginArray().value(rect.origin.x).value(rect.origin.y).value(rect.size.width).value(rect.size.height).endArray();
}

void UIScreenDump::writeView(JSONWriter& writer, UIView& view, const std::vector<ViewDescriber>& describers)
{
    writer.beginObject();
    writer.member("class", view.className());
    writer.key("frame");
    writeRect(writer, view.frame());
    writer.member("alpha", view.alpha());
    writer.member("hidden", view.hidden());
    if (view.tag() != 0)
        writer.member("tag", view.tag());
    if (!view.accessibilityLabel().empty())
        writer.member("label", view.accessibilityLabel());
    writeKindMembers(writer, view);
    for (const ViewDescriber& describe : describers)
        describe(view, writer);
    std::vector<Ref<UIView>> subviews = view.subviews();
    if (!subviews.empty()) {
        writer.key("subviews").beginArray();
        for (const Ref<UIView>& subview : subviews)
            writeView(writer, subview, describers);
        writer.endArray();
    }
    writer.endObject();
}

void UIScreenDump::writeController(JSONWriter& writer, UIViewController& controller)
{
    writer.beginObject();
    writer.member("class", controller.className());
    writer.member("title", controller.title());
    writer.member("viewLoaded", controller.isViewLoaded());
    writer.member("visible", controller.isViewVisible());
    if (auto* tabs = dynamic_cast<UITabBarController*>(&controller)) {
        const NSUInteger selected = tabs->selectedIndex();
        writer.member("selectedIndex", selected == NSNotFound ? int64_t(-1) : static_cast<int64_t>(selected));
    }
    if (auto* navigation = dynamic_cast<UINavigationController*>(&controller)) {
        RefPtr<UINavigationItem> top = navigation->navigationBar()->topItem();
        writer.member("navigationTitle", top ? top->title() : std::string());
    }
    std::vector<Ref<UIViewController>> children = controller.childViewControllers();
    if (!children.empty()) {
        writer.key("children").beginArray();
        for (const Ref<UIViewController>& child : children)
            writeController(writer, child);
        writer.endArray();
    }
    if (controller.parentViewController() == nullptr) {
        if (RefPtr<UIViewController> presented = controller.presentedViewController()) {
            writer.key("presented");
            writeController(writer, *presented);
        }
    }
    writer.endObject();
}

void UIScreenDump::writeModalViews(JSONWriter& writer)
{
    writer.beginArray();
    for (const Ref<UIModalView>& modal : UIModalView::visibleModalViews()) {
        writer.beginObject();
        writer.member("class", modal->className());
        writer.member("title", modal->title());
        if (auto* alert = dynamic_cast<UIAlertView*>(modal.ptr())) {
            writer.member("message", alert->message());
            writer.key("textFields").beginArray();
            const int64_t fields = alert->alertViewStyle() == UIAlertViewStyleDefault ? 0
                : alert->alertViewStyle() == UIAlertViewStyleLoginAndPasswordInput ? 2 : 1;
            for (int64_t i = 0; i < fields; ++i) {
                if (RefPtr<UITextField> field = alert->textFieldAtIndex(i))
                    writer.beginObject().member("text", field->text()).member("placeholder", field->placeholder()).endObject();
            }
            writer.endArray();
        }
        writer.key("buttons").beginArray();
        for (int64_t i = 0; i < modal->numberOfButtons(); ++i)
            writer.value(modal->buttonTitleAtIndex(i));
        writer.endArray();
        writer.member("cancelButtonIndex", modal->cancelButtonIndex());
        if (auto* sheet = dynamic_cast<UIActionSheet*>(modal.ptr()))
            writer.member("destructiveButtonIndex", sheet->destructiveButtonIndex());
        writer.endObject();
    }
    writer.endArray();
}

void UIScreenDump::writePopovers(JSONWriter& writer)
{
    writer.beginArray();
    for (const Ref<UIPopoverController>& popover : UIPopoverController::visiblePopovers()) {
        writer.beginObject();
        RefPtr<UIViewController> content = popover->contentViewController();
        writer.member("content", content ? content->className() : std::string());
        if (RefPtr<UIView> panel = popover->popoverView()) {
            writer.key("frame");
            writeRect(writer, panel->frame());
        }
        writer.endObject();
    }
    writer.endArray();
}

std::vector<Ref<UIView>> UIScreenDump::visibleViewsFrontToBack(UIView& root)
{
    std::vector<Ref<UIView>> views;
    std::function<void(UIView&)> visit = [&](UIView& view) {
        if (view.hidden() || view.alpha() < 0.01)
            return;
        std::vector<Ref<UIView>> subviews = view.subviews();
        for (auto subview = subviews.rbegin(); subview != subviews.rend(); ++subview)
            visit(*subview);
        views.emplace_back(view);
    };
    visit(root);
    return views;
}

} // namespace qv
