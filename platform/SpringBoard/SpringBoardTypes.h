#pragma once

#include "platform/Foundation/FoundationTypes.h"
#include "platform/SpringBoard/SBIconGridMetrics.h"
#include "platform/UIKit/UIInterfaceOrientation.h"
#include "platform/objc/objc.h"

#include <cstdint>

namespace qv {

// A place in an icon list's grid as SpringBoard numbers it: rows and
// columns count from 1, row by row.
struct SBIconCoordinate {
    int64_t row = 0;
    int64_t col = 0;
};

// Where an icon is launched from.
enum SBIconLocation : int32_t {
    SBIconLocationHomeScreen = 0,
    SBIconLocationDock = 1,
    SBIconLocationFolder = 2,
};

// The stock grid of an interface orientation; anything but landscape
// counts as portrait.
inline SBGridOrientation SBGridOrientationFor(int64_t orientation)
{
    return UIInterfaceOrientationIsLandscape(orientation) ? SBGridOrientation::Landscape : SBGridOrientation::Portrait;
}

// The stock grid of the device this process runs on, chosen by its screen
// and idiom: the pad's for the pad idiom, otherwise the phone whose screen
// is the tallest not taller than this one (the smallest phone's for a
// smaller screen).
const SBIconGridMetrics& SBCurrentGridMetrics();

// Defines SpringBoard's classes in the object runtime, once per process.
// Everything else of SpringBoard relies on them being there.
void SBRegisterClasses();

} // namespace qv

QV_OBJC_STRUCT_ENCODING(qv::SBIconCoordinate, "{SBIconCoordinate=qq}");
