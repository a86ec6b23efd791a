#pragma once

#include "UITableView.h"
#include "UIViewController.h"

namespace qv {

// A screen that is one table: its view is a table of the screen's size
// whose data source and delegate it is. On its first appearance the table
// reads its data; on every appearance the selected row is deselected unless
// told otherwise. Editing goes on to the table. Subclasses provide the
// table's rows and cells.
class UITableViewController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    std::string className() const override { return "UITableViewController"; }
    explicit UITableViewController(UITableViewStyle style = UITableViewStylePlain);

    Ref<UITableView> tableView();
    void setTableView(RefPtr<UITableView> tableView);
    bool clearsSelectionOnViewWillAppear() const { return m_clearsSelectionOnViewWillAppear; }
    void setClearsSelectionOnViewWillAppear(bool clears) { m_clearsSelectionOnViewWillAppear = clears; }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void setEditing(bool editing, bool animated) override;

protected:
    ~UITableViewController() override = default;

private:
    UITableViewStyle m_style;
    bool m_clearsSelectionOnViewWillAppear = true;
};

} // namespace qv
