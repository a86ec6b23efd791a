#pragma once

#include <string>

namespace qv::quiltvanetest {

// The application's preference file with every tutorial card seen and
// folder mode used before, so that no card or offer gets in the way.
inline std::string preferencesWithTutorialSeen()
{
    std::string keys;
    for (const char* key : { "Welcome", "Quick-Actions", "Icon", "Options-Button", "Add-Icon-Button", "Save-Button", "Grid-Button",
             "Image-Button", "Orientation", "Grid-View-Welcome", "Reset-Grid-Position", "Change-Grid-Dimensions", "Unlock-All-Icons",
             "Fill-Grid", "Ignore-Icon-Touches" })
        keys += std::string("<key>Tutorial-") + key + "</key><true/>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>" + keys + "<key>UsedFolderModeBefore</key><true/></dict></plist>";
}

inline constexpr const char* preferencesPath = "/var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist";

} // namespace qv::quiltvanetest
