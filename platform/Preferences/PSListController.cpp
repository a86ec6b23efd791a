#include "PSListController.h"

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSString.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationBar.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UISwitch.h"
#include "platform/core/Log.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace qv {

namespace {

std::optional<PSCellType> cellTypeNamed(const std::string& name)
{
    static const std::map<std::string, PSCellType> types {
        { "PSGroupCell", PSGroupCell },
        { "PSLinkCell", PSLinkCell },
        { "PSTitleValueCell", PSTitleValueCell },
        { "PSSwitchCell", PSSwitchCell },
        { "PSStaticTextCell", PSStaticTextCell },
    };
    auto found = types.find(name);
    if (found == types.end())
        return std::nullopt;
    return found->second;
}

SEL selectorFor(const NSDictionary& item, const char* key)
{
    RefPtr<NSString> name = item.stringForKey(key);
    return name && !name->string().empty() ? sel_registerName(name->string().c_str()) : nullptr;
}

// One specifier of a list item, or null for an item that is none.
RefPtr<PSSpecifier> specifierFromItem(const NSDictionary& item, objc_object* target, const std::string& listPath)
{
    RefPtr<NSString> cellName = item.stringForKey("cell");
    std::optional<PSCellType> cell = cellName ? cellTypeNamed(cellName->string()) : std::nullopt;
    if (!cell) {
        logLine("Preferences: " + listPath + " has an item of no known cell kind");
        return nullptr;
    }
    RefPtr<NSString> label = item.stringForKey("label");
    Class detail = nullptr;
    if (RefPtr<NSString> detailName = item.stringForKey("detail")) {
        detail = objc_getClass(detailName->string().c_str());
        if (!detail)
            logLine("Preferences: " + listPath + " names the page class " + detailName->string() + ", which does not exist");
    }
    Ref<PSSpecifier> specifier = PSSpecifier::preferenceSpecifierNamed(label ? label->string() : std::string(), target,
        selectorFor(item, "set"), selectorFor(item, "get"), detail, *cell, nullptr);
    for (const auto& [key, value] : item.entries())
        specifier->setProperty(value, key);
    return specifier;
}

} // namespace

RefPtr<NSArray> PSListController::specifiers()
{
    if (!m_specifiers)
        m_specifiers = NSArray::create();
    return m_specifiers;
}

void PSListController::reloadSpecifiers()
{
    m_specifiers = nullptr;
    rebuildSections();
    if (m_table)
        m_table->reloadData();
}

Ref<NSArray> PSListController::loadSpecifiersFromPlistName(const std::string& plistName, objc_object* target)
{
    Ref<NSArray> loaded = NSArray::create();
    const std::string path = bundlePath() + "/" + plistName + ".plist";
    RefPtr<NSDictionary> list = NSDictionary::dictionaryWithContentsOfFile(path);
    if (!list) {
        logLine("Preferences: cannot read the specifier list " + path);
        return loaded;
    }
    if (RefPtr<NSString> title = list->stringForKey("title"))
        setTitle(title->string());
    RefPtr<NSArray> items = list->arrayForKey("items");
    if (!items)
        return loaded;
    for (const Ref<NSObject>& object : items->objects()) {
        RefPtr<NSDictionary> item = dynamicRefCast<NSDictionary>(object);
        if (RefPtr<PSSpecifier> specifier = item ? specifierFromItem(*item, target, path) : nullptr)
            loaded->addObject(Ref<NSObject>(*specifier));
    }
    return loaded;
}

void PSListController::rebuildSections()
{
    m_sections.clear();
    m_sectionsBuilt = true;
    RefPtr<NSArray> rows = specifiers();
    if (!rows)
        return;
    for (const Ref<NSObject>& object : rows->objects()) {
        RefPtr<PSSpecifier> specifier = dynamicRefCast<PSSpecifier>(object);
        if (!specifier)
            continue;
        if (specifier->cellType() == PSGroupCell)
            m_sections.push_back({ specifier, {} });
        else if (m_sections.empty())
            m_sections.push_back({ nullptr, { Ref<PSSpecifier>(*specifier) } });
        else
            m_sections.back().rows.push_back(Ref<PSSpecifier>(*specifier));
    }
}

std::vector<Ref<PSSpecifier>> PSListController::shownSpecifiers() const
{
    std::vector<Ref<PSSpecifier>> shown;
    for (const Section& section : m_sections) {
        if (section.group)
            shown.push_back(Ref<PSSpecifier>(*section.group));
        shown.insert(shown.end(), section.rows.begin(), section.rows.end());
    }
    return shown;
}

RefPtr<PSSpecifier> PSListController::specifierAt(const NSIndexPath* indexPath) const
{
    if (!indexPath || indexPath->section() < 0 || static_cast<size_t>(indexPath->section()) >= m_sections.size())
        return nullptr;
    const Section& section = m_sections[static_cast<size_t>(indexPath->section())];
    if (indexPath->row() < 0 || static_cast<size_t>(indexPath->row()) >= section.rows.size())
        return nullptr;
    return section.rows[static_cast<size_t>(indexPath->row())].ptr();
}

RefPtr<UISwitch> PSListController::switchForSpecifier(const PSSpecifier& specifier) const
{
    if (!m_table)
        return nullptr;
    for (size_t s = 0; s < m_sections.size(); ++s) {
        for (size_t r = 0; r < m_sections[s].rows.size(); ++r) {
            if (m_sections[s].rows[r].ptr() != &specifier)
                continue;
            Ref<NSIndexPath> path = NSIndexPath::indexPathForRow(static_cast<NSInteger>(r), static_cast<NSInteger>(s));
            RefPtr<UITableViewCell> cell = m_table->cellForRowAtIndexPath(path.ptr());
            return cell ? dynamicRefCast<UISwitch>(cell->accessoryView()) : nullptr;
        }
    }
    return nullptr;
}

void PSListController::loadView()
{
    CGRect frame = UIScreen::mainScreen().bounds();
    if (contentSize().width > 0 && contentSize().height > 0)
        frame.size = contentSize();
    m_table = makeRef<UITableView>(frame, UITableViewStyleGrouped);
    m_table->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_table->setDataSource(WeakPtr<UITableViewDataSource>(this));
    m_table->setDelegate(WeakPtr<UITableViewDelegate>(this));
    // The rows begin below the status bar and the navigation bar, which
    // lie over the top of the page.
    const CGFloat barsHeight = 64;
    m_table->setContentInset(UIEdgeInsetsMake(barsHeight, 0, 0, 0));
    m_table->setContentOffset(CGPointMake(0, -barsHeight));
    setView(m_table);
}

NSInteger PSListController::numberOfSectionsInTableView(UITableView*)
{
    if (!m_sectionsBuilt)
        rebuildSections();
    return static_cast<NSInteger>(m_sections.size());
}

NSInteger PSListController::tableViewNumberOfRowsInSection(UITableView*, NSInteger section)
{
    if (!m_sectionsBuilt)
        rebuildSections();
    if (section < 0 || static_cast<size_t>(section) >= m_sections.size())
        return 0;
    return static_cast<NSInteger>(m_sections[static_cast<size_t>(section)].rows.size());
}

Ref<UITableViewCell> PSListController::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    RefPtr<PSSpecifier> specifier = specifierAt(indexPath);
    const PSCellType type = specifier ? specifier->cellType() : PSStaticTextCell;
    Ref<UITableViewCell> cell = makeRef<UITableViewCell>(type == PSTitleValueCell ? UITableViewCellStyleValue1 : UITableViewCellStyleDefault,
        std::nullopt);
    if (!specifier)
        return cell;
    cell->textLabel()->setText(specifier->name());
    switch (type) {
    case PSSwitchCell: {
        Ref<UISwitch> control = makeRef<UISwitch>();
        RefPtr<NSObject> value = specifier->performGetter();
        control->setOn(value && value->boolValue());
        WeakPtr<PSSpecifier> weakSpecifier(specifier.get());
        control->addTarget(this, UIControl::Action([weakSpecifier](UIControl& sender, UIEvent*) {
            RefPtr<PSSpecifier> changed = weakSpecifier.lock();
            if (auto* control = dynamic_cast<UISwitch*>(&sender); changed && control)
                changed->performSetter(NSNumber::numberWithBool(control->on()));
        }), UIControlEventValueChanged);
        cell->setAccessoryView(control);
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        break;
    }
    case PSLinkCell:
        cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
        break;
    case PSTitleValueCell:
        if (RefPtr<NSObject> value = specifier->performGetter())
            cell->detailTextLabel()->setText(value->description());
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        break;
    default:
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        break;
    }
    return cell;
}

std::optional<std::string> PSListController::tableViewTitleForHeaderInSection(UITableView*, NSInteger section)
{
    if (section < 0 || static_cast<size_t>(section) >= m_sections.size())
        return std::nullopt;
    const RefPtr<PSSpecifier>& group = m_sections[static_cast<size_t>(section)].group;
    if (!group || group->name().empty())
        return std::nullopt;
    return group->name();
}

std::optional<std::string> PSListController::tableViewTitleForFooterInSection(UITableView*, NSInteger section)
{
    if (section < 0 || static_cast<size_t>(section) >= m_sections.size())
        return std::nullopt;
    const RefPtr<PSSpecifier>& group = m_sections[static_cast<size_t>(section)].group;
    RefPtr<NSString> footer = group ? dynamicRefCast<NSString>(group->propertyForKey("footerText")) : nullptr;
    if (!footer)
        return std::nullopt;
    return footer->string();
}

void PSListController::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    if (table)
        table->deselectRowAtIndexPath(indexPath, true);
    RefPtr<PSSpecifier> specifier = specifierAt(indexPath);
    if (specifier && specifier->cellType() == PSLinkCell)
        openDetail(*specifier);
}

void PSListController::openDetail(const PSSpecifier& specifier)
{
    Class detail = specifier.detailControllerClass();
    if (!detail) {
        logLine("Preferences: \"" + specifier.name() + "\" opens no page");
        return;
    }
    std::string error;
    RefPtr<PSViewController> page = PSViewController::controllerWithClassName(class_getName(detail), contentSize(), error);
    if (!page) {
        logLine("Preferences: \"" + specifier.name() + "\" cannot open its page: " + error);
        return;
    }
    pushController(page);
}

// The framework's classes in the runtime. The initialisers keep the size
// and answer the page itself.
void PSRegisterClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const bool systemHasInitForContentSize = std::atoi(UIDevice::currentDevice().systemVersion().c_str()) < 8;
        auto initForContentSize = [](PSViewController* self, CGSize size) {
            self->setContentSize(size);
            return RefPtr<PSViewController>(self);
        };
        Class page = objc_allocateClassPair<PSViewController>(objc_getClass("NSObject"), "PSViewController");
        if (systemHasInitForContentSize)
            class_addMethod(page, sel_registerName("initForContentSize:"), imp_implementationWithBlock(initForContentSize));
        class_addMethod(page, sel_registerName("setView:"), imp_implementationWithBlock([](PSViewController* self, UIView* view) {
            self->setView(RefPtr<UIView>(view));
        }));
        class_addMethod(page, sel_registerName("navigationItem"), imp_implementationWithBlock([](PSViewController* self) {
            return RefPtr<UINavigationItem>(self->navigationItem().ptr());
        }));
        class_addMethod(page, sel_registerName("pushController:"), imp_implementationWithBlock([](PSViewController* self, PSViewController* pushed) {
            self->pushController(RefPtr<PSViewController>(pushed));
        }));
        class_addMethod(page, sel_registerName("viewWillBecomeVisible:"), imp_implementationWithBlock([](PSViewController* self, void* source) {
            self->viewWillBecomeVisible(source);
        }));
        objc_registerClassPair(page);

        Class list = objc_allocateClassPair<PSListController>(page, "PSListController");
        class_addMethod(list, sel_registerName("initForContentSize:"), imp_implementationWithBlock(initForContentSize));
        class_addMethod(list, sel_registerName("specifiers"), imp_implementationWithBlock([](PSListController* self) {
            return self->specifiers();
        }));
        class_addMethod(list, sel_registerName("reloadSpecifiers"), imp_implementationWithBlock([](PSListController* self) {
            self->reloadSpecifiers();
        }));
        objc_registerClassPair(list);
    });
}

} // namespace qv
