// Times SpringBoard's layout pass over 20 full pages of the home screen,
// first as SpringBoard does it alone, then with the Quiltvane extension
// loaded and a layout applied, and prints the ratio of the two; then once
// more with per-page layouts switched on.
//   build/release/bin/springboard-layout-pass [passes]

#include "hosts/install/DefaultLayouts.h"
#include "platform/UIKit/UIKitTesting.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SpringBoardTesting.h"
#include "platform/SpringBoard/SBRootFolderController.h"
#include "platform/SpringBoard/SpringBoardTypes.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/objc/DynamicLibraries.h"
#include "testing/Process.h"
#include "testing/TemporaryDeviceRoot.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace qv;

namespace {

constexpr int pageCount = 20;

Ref<NSDictionary> fullPages(uint64_t iconsPerPage)
{
    Ref<NSArray> pages = NSArray::create();
    for (int page = 0; page < pageCount; ++page) {
        Ref<NSArray> icons = NSArray::create();
        for (uint64_t icon = 0; icon < iconsPerPage; ++icon)
            icons->addObject("App " + std::to_string(page) + "." + std::to_string(icon));
        pages->addObject(icons);
    }
    return NSDictionary::create({ { "pages", pages }, { "dock", NSArray::create({ "Phone", "Mail" }) } });
}

constexpr int roundCount = 5;

// Seconds for `passes` layouts of every page: the median of a few rounds,
// as the machine is shared and one round may be held up.
double timeLayoutPasses(SBIconController& controller, int passes)
{
    std::vector<Ref<SBIconListView>> lists = controller.rootFolderControllerObject()->listViews();
    std::vector<double> rounds;
    for (int round = 0; round < roundCount; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (int pass = 0; pass < passes; ++pass) {
            for (const Ref<SBIconListView>& list : lists)
                list->layoutIconsNow();
        }
        rounds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[roundCount / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    qv::testing::TemporaryDeviceRoot root;
    applyDeviceProfile(*DeviceProfile::named("iphone-4"));
    SBRegisterClasses();
    if (!installDefaultLayouts()) {
        std::fprintf(stderr, "could not lay out the default layouts\n");
        return 1;
    }

    uint64_t perPage = SBIconListView::maxIcons(objc_getClass("SBRootIconListView"));
    RefPtr<SBRootFolder> rootFolder = SBHomeScreenDescription::rootFolderFromDescription(fullPages(perPage), nullptr);
    Ref<SBIconController> controller = SBIconController::create(*rootFolder);
    setSharedIconController(controller.ptr());
    controller->finishLaunching();
    double alone = timeLayoutPasses(*controller, passes);

    // The extension as the substrate loads it, switched on with the stock
    // layout applied to every page.
    CFPreferencesSetAppValue("Enable", NSNumber::numberWithBool(true), "com.corvellan.Quilt-Vane");
    CFPreferencesAppSynchronize("com.corvellan.Quilt-Vane");
    std::filesystem::path library = std::filesystem::path(qv::testing::buildDirectory()) / "lib/Quiltvane.dylib";
    if (!dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL)) {
        std::fprintf(stderr, "could not load %s: %s\n", library.c_str(), dlerror());
        return 1;
    }
    double withExtension = timeLayoutPasses(*controller, passes);
    // Each page asks the shared preferences for its own layout.
    CFPreferencesSetAppValue("EnablePerPageLayouts", NSNumber::numberWithBool(true), "com.corvellan.Quilt-Vane");
    double withPerPageLayouts = timeLayoutPasses(*controller, passes);

    std::printf("layout pass over %d pages of %llu icons, %d passes, median of %d rounds\n", pageCount, static_cast<unsigned long long>(perPage),
        passes, roundCount);
    std::printf("  SpringBoard alone:      %8.3f ms a pass\n", alone * 1000 / passes);
    std::printf("  with the extension:     %8.3f ms a pass\n", withExtension * 1000 / passes);
    std::printf("  ratio:                  %8.2fx (target at most 1.2x)\n", withExtension / alone);
    std::printf("  with per-page layouts:  %8.3f ms a pass, %.2fx\n", withPerPageLayouts * 1000 / passes, withPerPageLayouts / alone);
    setSharedIconController(nullptr);
    return 0;
}
