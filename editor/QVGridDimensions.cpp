#include "QVGridDimensions.h"

#include <algorithm>
#include <cmath>

namespace qv {

static CGFloat boundedGridLines(CGFloat lines)
{
    return std::isfinite(lines) ? std::min(lines, QVMaximumGridLines) : lines;
}

CGSize QVBoundedGridSize(CGSize size)
{
    return CGSizeMake(boundedGridLines(size.width), boundedGridLines(size.height));
}

} // namespace qv
