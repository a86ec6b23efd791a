#include "InstallStep.h"

#include "BundleImages.h"
#include "DefaultLayouts.h"
#include "StockWallpapers.h"

namespace qv {

const std::vector<InstallStep>& installSteps()
{
    static const std::vector<InstallStep> steps {
        { "default layouts", installDefaultLayouts },
        { "application bundle images", installBundleImages },
        { "stock wallpapers", installStockWallpapers },
    };
    return steps;
}

} // namespace qv
