#include "SettingsRootController.h"

#include "platform/Foundation/NSIndexPath.h"
#include "platform/Preferences/PSViewController.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/core/Log.h"

namespace qv {

SettingsRootController::SettingsRootController()
{
    setTitle("Settings");
}

RefPtr<PSViewController> SettingsRootController::openBundle(const PreferenceBundle& bundle, std::string& error)
{
    RefPtr<UINavigationController> navigation = navigationController();
    if (!navigation) {
        error = "the Settings app shows no navigation";
        return nullptr;
    }
    CGSize size = UIScreen::mainScreen().bounds().size;
    RefPtr<PSViewController> page = openPreferenceBundle(bundle, size, error);
    if (!page)
        return nullptr;
    navigation->popToRootViewControllerAnimated(false);
    navigation->pushViewController(page, false);
    return page;
}

void SettingsRootController::loadView()
{
    m_table = makeRef<UITableView>(UIScreen::mainScreen().bounds(), UITableViewStyleGrouped);
    m_table->setDataSource(WeakPtr<UITableViewDataSource>(this));
    m_table->setDelegate(WeakPtr<UITableViewDelegate>(this));
    setView(m_table);
}

void SettingsRootController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    m_bundles = findPreferenceBundles();
    if (m_table)
        m_table->reloadData();
}

NSInteger SettingsRootController::tableViewNumberOfRowsInSection(UITableView*, NSInteger)
{
    return static_cast<NSInteger>(m_bundles.size());
}

Ref<UITableViewCell> SettingsRootController::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    Ref<UITableViewCell> cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, std::nullopt);
    if (indexPath && indexPath->row() >= 0 && static_cast<size_t>(indexPath->row()) < m_bundles.size())
        cell->textLabel()->setText(m_bundles[static_cast<size_t>(indexPath->row())].label);
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    return cell;
}

void SettingsRootController::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    if (table)
        table->deselectRowAtIndexPath(indexPath, true);
    if (!indexPath || indexPath->row() < 0 || static_cast<size_t>(indexPath->row()) >= m_bundles.size())
        return;
    std::string error;
    const PreferenceBundle bundle = m_bundles[static_cast<size_t>(indexPath->row())];
    if (!openBundle(bundle, error))
        logLine("Settings: cannot open " + bundle.label + ": " + error);
}

} // namespace qv
