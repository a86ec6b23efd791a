#include "UITableViewController.h"

#include "UIScreen.h"

namespace qv {

UITableViewController::UITableViewController(UITableViewStyle style)
    : m_style(style)
{
}

void UITableViewController::loadView()
{
    Ref<UITableView> table = makeRef<UITableView>(UIScreen::mainScreen().bounds(), m_style);
    table->setDataSource(WeakPtr<UITableViewDataSource>(this));
    table->setDelegate(WeakPtr<UITableViewDelegate>(this));
    setView(table);
}

Ref<UITableView> UITableViewController::tableView()
{
    Ref<UIView> view = this->view();
    if (RefPtr<UITableView> table = dynamicRefCast<UITableView>(view))
        return table.toRef();
    // A screen whose view was replaced by something else gets a table
    // again, as the device's table controller insists on one.
    loadView();
    return dynamicRefCast<UITableView>(this->view()).toRef();
}

void UITableViewController::setTableView(RefPtr<UITableView> tableView)
{
    setView(tableView);
}

void UITableViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    Ref<UITableView> table = tableView();
    if (!table->hasLoadedData())
        table->reloadData();
    else if (m_clearsSelectionOnViewWillAppear)
        table->deselectRowAtIndexPath(table->indexPathForSelectedRow().get(), animated);
}

void UITableViewController::setEditing(bool editing, bool animated)
{
    UIViewController::setEditing(editing, animated);
    tableView()->setEditing(editing, animated);
}

} // namespace qv
