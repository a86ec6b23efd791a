#pragma once

#include "platform/core/Ref.h"

#include <string>

namespace qv {

class NSDictionary;
class SBRootFolder;

// The home screen SpringBoard finds at launch, described in a property list
// in the device root:
//
//   { "pages": ( ( item, ... ), ... ), "dock": ( item, ... ) }
//
// An item is an application's name, or a dictionary with "kind" (one of
// "application", "folder", "newsstand", "placeholder",
// "gridLockPlaceholder"), "name" and, for an application, an optional
// "bundleIdentifier". A folder and the newsstand have "pages" of their
// own, which hold applications and placeholders only. "dock" may be left
// out. Nothing is passed over: a key that means nothing where it stands,
// or a value of the wrong type, makes the description unsound.
class SBHomeScreenDescription {
public:
    static constexpr const char* homeScreenPath = "/var/mobile/Library/SpringBoard/HomeScreen.plist";

    // Several pages with folders, the newsstand and a full dock; it fits the
    // pages of every device.
    static Ref<NSDictionary> defaultDescription();

    // The home screen a description holds, or null with what is wrong with
    // it (naming the place, such as "pages[1][3]") in *error.
    static RefPtr<SBRootFolder> rootFolderFromDescription(const NSDictionary& description, std::string* error);

    // The device's home screen, from the file when it is there and sound,
    // else the default one (a log line says why). The file is only read.
    static Ref<SBRootFolder> loadRootFolderFromDevice();

    // Pages that hold more icons than their kind of list may (maxIcons of
    // the list class, asked through the runtime) pass the rest on to the
    // following pages, new ones if need be; the dock's surplus joins the
    // last page. Nothing is dropped.
    static void spreadOverfullPages(SBRootFolder& rootFolder);
};

} // namespace qv
