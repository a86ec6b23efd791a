#pragma once

#include "platform/Foundation/NSIndexPath.h"

#include <compare>

namespace qv {

// A plain pair for keys and comparisons inside the table.
struct UITableRow {
    NSInteger section = 0;
    NSInteger row = 0;
    auto operator<=>(const UITableRow&) const = default;
    static UITableRow of(const NSIndexPath& path) { return { path.section(), path.row() }; }
    Ref<NSIndexPath> indexPath() const { return NSIndexPath::indexPathForRow(row, section); }
};

} // namespace qv
