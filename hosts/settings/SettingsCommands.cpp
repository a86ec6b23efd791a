#include "SettingsCommands.h"

#include "SettingsRootController.h"
#include "platform/Driver/UIDriver.h"
#include "platform/Foundation/JSONWriter.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Preferences/PSListController.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UISwitch.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/objc/objc.h"

namespace qv {

namespace {

const char* cellName(PSCellType type)
{
    switch (type) {
    case PSGroupCell:
        return "group";
    case PSLinkCell:
        return "link";
    case PSSwitchCell:
        return "switch";
    case PSTitleValueCell:
        return "value";
    default:
        return "text";
    }
}

RefPtr<UIViewController> frontPage(SettingsRootController& root)
{
    RefPtr<UINavigationController> navigation = root.navigationController();
    return navigation ? navigation->topViewController() : nullptr;
}

RefPtr<PSListController> frontList(SettingsRootController& root, UIDriverResponse& response)
{
    RefPtr<PSListController> list = dynamicRefCast<PSListController>(frontPage(root));
    if (!list)
        response.fail("the page shown is no list of rows");
    return list;
}

RefPtr<PSSpecifier> rowLabelled(PSListController& list, const std::string& label, UIDriverResponse& response)
{
    for (const Ref<PSSpecifier>& specifier : list.shownSpecifiers()) {
        if (specifier->cellType() != PSGroupCell && specifier->name() == label)
            return specifier.ptr();
    }
    response.fail("no row \"" + label + "\" on the page shown");
    return nullptr;
}

// What a row shows: a switch its state, a value row its text.
void writeRowValue(JSONWriter& writer, PSListController& list, PSSpecifier& specifier)
{
    writer.key("value");
    if (specifier.cellType() == PSSwitchCell) {
        RefPtr<UISwitch> control = list.switchForSpecifier(specifier);
        RefPtr<NSObject> value = control ? nullptr : specifier.performGetter();
        writer.value(control ? control->on() : (value && value->boolValue()));
    } else if (specifier.cellType() == PSTitleValueCell) {
        RefPtr<NSObject> value = specifier.performGetter();
        value ? writer.value(value->description()) : writer.null();
    } else {
        writer.null();
    }
}

void writeRows(JSONWriter& writer, PSListController& list)
{
    writer.beginArray();
    for (const Ref<PSSpecifier>& specifier : list.shownSpecifiers()) {
        writer.beginObject();
        writer.member("label", specifier->name());
        writer.member("cell", cellName(specifier->cellType()));
        writeRowValue(writer, list, specifier);
        writer.endObject();
    }
    writer.endArray();
}

void writeBundles(JSONWriter& writer)
{
    writer.beginArray();
    for (const PreferenceBundle& bundle : findPreferenceBundles()) {
        writer.beginObject();
        writer.member("label", bundle.label);
        writer.member("bundle", bundle.bundleName);
        writer.member("path", bundle.bundlePath);
        writer.endObject();
    }
    writer.endArray();
}

// A table page that is no list of rows (the layouts, the apply screen):
// its title, header, every row as its data source makes it, and its bar's
// buttons.
void writeTablePage(JSONWriter& writer, UIViewController& page, UITableView& table)
{
    writer.member("title", page.title());
    RefPtr<UITableViewDataSource> source = table.dataSource();
    std::optional<std::string> header = source ? source->tableViewTitleForHeaderInSection(&table, 0) : std::nullopt;
    writer.key("header");
    header ? writer.value(*header) : writer.null();
    writer.key("cells").beginArray();
    for (NSInteger section = 0; source && section < source->numberOfSectionsInTableView(&table); ++section) {
        for (NSInteger row = 0; row < source->tableViewNumberOfRowsInSection(&table, section); ++row) {
            Ref<NSIndexPath> path = NSIndexPath::indexPathForRow(row, section);
            Ref<UITableViewCell> cell = source->tableViewCellForRowAtIndexPath(&table, path.ptr());
            writer.beginObject();
            writer.member("text", cell->textLabel()->text());
            RefPtr<UILabel> detail = cell->loadedDetailTextLabel();
            writer.member("detail", detail ? detail->text() : std::string());
            writer.member("checkmark", cell->accessoryType() == UITableViewCellAccessoryCheckmark);
            writer.member("gray", cell->textLabel()->textColor()->isEqual(UIColor::grayColor().ptr()));
            writer.endObject();
        }
    }
    writer.endArray();
    writer.key("items").beginArray();
    for (const Ref<UIBarButtonItem>& item : page.navigationItem()->rightBarButtonItems()) {
        writer.beginObject();
        writer.member("title", item->systemItem() ? item->systemItemName() : item->title());
        writer.member("enabled", item->enabled());
        writer.endObject();
    }
    writer.endArray();
}

std::string pageClassName(UIViewController& page)
{
    if (auto* object = dynamic_cast<objc_object*>(&page))
        return object_getClassName(object);
    return page.className();
}

} // namespace

void registerSettingsCommands(UIDriver& driver, SettingsRootController& root)
{
    WeakPtr<SettingsRootController> weakRoot(&root);
    auto withRoot = [weakRoot](auto body) {
        return [weakRoot, body](const UIDriverCommand& command, UIDriverResponse& response) {
            RefPtr<SettingsRootController> root = weakRoot.lock();
            if (!root)
                return response.fail("the Settings app has no screen");
            body(*root, command, response);
        };
    };
    driver.registerCommand("bundles", withRoot([](SettingsRootController&, const UIDriverCommand&, UIDriverResponse& response) {
        response.members().key("bundles");
        writeBundles(response.members());
    }));
    driver.registerCommand("open", withRoot([](SettingsRootController& root, const UIDriverCommand& command, UIDriverResponse& response) {
        std::optional<PreferenceBundle> bundle = findPreferenceBundle(command.rest());
        if (!bundle)
            return response.fail("no preference bundle \"" + command.rest() + "\"");
        std::string error;
        RefPtr<PSViewController> page = root.openBundle(*bundle, error);
        if (!page)
            return response.fail(error);
        response.members().member("page", pageClassName(*page));
    }));
    driver.registerCommand("select", withRoot([](SettingsRootController& root, const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<PSListController> list = frontList(root, response);
        RefPtr<PSSpecifier> row = list ? rowLabelled(*list, command.rest(), response) : nullptr;
        if (!row)
            return;
        for (NSInteger section = 0; section < list->table()->numberOfSections(); ++section) {
            for (NSInteger index = 0; index < list->table()->numberOfRowsInSection(section); ++index) {
                Ref<NSIndexPath> path = NSIndexPath::indexPathForRow(index, section);
                RefPtr<UITableViewCell> cell = list->table()->cellForRowAtIndexPath(path.ptr());
                if (cell && cell->textLabel()->text() == row->name()) {
                    if (!list->table()->tapRowAtIndexPath(path.ptr()))
                        response.fail("the tap was refused");
                    return;
                }
            }
        }
        response.fail("the row \"" + command.rest() + "\" is not on screen");
    }));
    driver.registerCommand("toggle", withRoot([](SettingsRootController& root, const UIDriverCommand& command, UIDriverResponse& response) {
        RefPtr<PSListController> list = frontList(root, response);
        RefPtr<PSSpecifier> row = list ? rowLabelled(*list, command.rest(), response) : nullptr;
        if (!row)
            return;
        RefPtr<UISwitch> control = list->switchForSpecifier(*row);
        if (!control)
            return response.fail("the row \"" + command.rest() + "\" shows no switch");
        if (!UITouchDriver::shared().tapView(*control))
            return response.fail("the tap was refused");
        response.members().member("on", control->on());
    }));
    driver.registerCommand("table", withRoot([](SettingsRootController& root, const UIDriverCommand&, UIDriverResponse& response) {
        RefPtr<UIViewController> page = frontPage(root);
        RefPtr<UITableView> table = page && page->isViewLoaded() ? dynamicRefCast<UITableView>(page->view()) : nullptr;
        if (!table)
            return response.fail("the page shown shows no table");
        response.members().member("page", pageClassName(*page));
        writeTablePage(response.members(), *page, *table);
    }));
    driver.registerCommand("rows", withRoot([](SettingsRootController& root, const UIDriverCommand&, UIDriverResponse& response) {
        RefPtr<PSListController> list = frontList(root, response);
        if (!list)
            return;
        response.members().member("page", pageClassName(*list));
        response.members().key("rows");
        writeRows(response.members(), *list);
    }));
}

void writeSettingsState(JSONWriter& writer, SettingsRootController& root)
{
    writer.beginObject();
    writer.key("bundles");
    writeBundles(writer);
    writer.key("stack").beginArray();
    if (RefPtr<UINavigationController> navigation = root.navigationController()) {
        for (const Ref<UIViewController>& page : navigation->viewControllers())
            writer.value(pageClassName(page));
    }
    writer.endArray();
    writer.key("rows");
    if (RefPtr<PSListController> list = dynamicRefCast<PSListController>(frontPage(root)))
        writeRows(writer, *list);
    else
        writer.null();
    writer.endObject();
}

} // namespace qv
