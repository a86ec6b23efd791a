#pragma once

#include "UIControl.h"

namespace qv {

// The pull-to-refresh control of a table. A pull (the driver pullToRefresh)
// starts refreshing and sends value changed; beginRefreshing and
// endRefreshing from code send nothing.
class UIRefreshControl : public UIControl {
public:
    std::string className() const override { return "UIRefreshControl"; }
    UIRefreshControl();

    bool refreshing() const { return m_refreshing; }
    void beginRefreshing() { m_refreshing = true; }
    void endRefreshing() { m_refreshing = false; }

    // The user's pull; nothing happens while it is refreshing already.
    bool pullToRefresh();

protected:
    ~UIRefreshControl() override = default;

private:
    bool m_refreshing = false;
};

} // namespace qv
