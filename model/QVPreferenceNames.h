#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The preference domain the three deliverables share, every key of it that
// more than one of them reads or writes, and the Darwin notifications they
// tell each other by. Nothing else crosses between the deliverables, so
// these names are written here once and nowhere else.

inline constexpr const char* QVPreferenceDomain = "com.corvellan.Quilt-Vane";

// Feature switches (boolean numbers; a missing key is NO).
inline constexpr const char* QVEnableKey = "Enable";
inline constexpr const char* QVEnablePlaceholdersKey = "EnablePlaceholders";
inline constexpr const char* QVEnableHiddenIconsKey = "EnableHiddenIcons";
inline constexpr const char* QVEnableFolderLayoutsKey = "EnableFolderLayouts";
// 0 or NO: one layout for the whole home screen; 1 or YES: one per page.
inline constexpr const char* QVEnablePerPageLayoutsKey = "EnablePerPageLayouts";

// Applied layouts (layout references, see QVLayoutReference).
inline constexpr const char* QVCurrentLayoutKey = "CurrentLayout";
inline constexpr const char* QVPageLayoutKeyFormat = "Page%luLayout";
inline constexpr const char* QVFolderLayoutKeyFormat = "Folder_%@_Layout";
// Pages 0 to 10 have keys of their own; every later page shares the last.
inline constexpr unsigned long QVLastPageLayoutNumber = 10;
inline constexpr unsigned long QVPageLayoutKeyCount = QVLastPageLayoutNumber + 1;

// The folder-list and folder-size handshakes.
inline constexpr const char* QVFolderListKey = "FolderList";
inline constexpr const char* QVFolderViewSizeKey = "FolderViewSize";
inline constexpr const char* QVFolderViewWidthKey = "width";
inline constexpr const char* QVFolderViewHeightKey = "height";
inline constexpr const char* QVFolderViewCornerRadiusKey = "cornerRadius";
inline constexpr const char* QVUsedFolderModeBeforeKey = "UsedFolderModeBefore";

// The bare values that name no layout; the extension answers them with the
// default layouts and rewrites them to their references.
inline constexpr const char* QVBareDefaultLayoutValue = "Default.plist";
inline constexpr const char* QVBareDefaultFolderLayoutValue = "Default Folder.plist";

// Darwin notifications. Each is posted right after the poster has
// synchronised whatever the receiver is to read.
inline constexpr const char* QVSettingsChangedNotification = "com.corvellan.Quilt-Vane/SETTINGS_CHANGED";
inline constexpr const char* QVGetAllFoldersNotification = "com.corvellan.Quilt-Vane/GET_ALL_FOLDERS";
inline constexpr const char* QVAllFoldersNotification = "com.corvellan.Quilt-Vane/ALL_FOLDERS";
inline constexpr const char* QVGetFolderViewSizeNotification = "com.corvellan.Quilt-Vane/GET_FOLDER_VIEW_SIZE";
inline constexpr const char* QVFolderViewSizeNotification = "com.corvellan.Quilt-Vane/FOLDER_VIEW_SIZE";
inline constexpr const char* QVReloadSpecifiersNotification = "com.corvellan.Quilt-Vane/RELOAD_SPECIFIERS";

// "Page%luLayout" of a page counted from 0; a page above 10 gets the key of
// page 10, which serves every later page.
inline std::string QVPageLayoutPreferenceKey(uint64_t page)
{
    const uint64_t keyed = page > QVLastPageLayoutNumber ? QVLastPageLayoutNumber : page;
    return "Page" + std::to_string(keyed) + "Layout";
}

// "Folder_%@_Layout" of a folder's display name.
inline std::string QVFolderLayoutPreferenceKey(std::string_view folderName)
{
    return "Folder_" + std::string(folderName) + "_Layout";
}

} // namespace qv
