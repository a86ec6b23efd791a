#pragma once

namespace qv {

// The names a layout file and the layout folders are known by, shared by
// every deliverable that reads or writes layouts.

// Folders and files.
inline constexpr const char* QVUserLayoutsFolder = "/var/mobile/Library/Quiltvane/Layouts";
inline constexpr const char* QVDefaultLayoutsFolder = "/Library/Application Support/Quiltvane/Layouts";
inline constexpr const char* QVDefaultLayoutFileName = "Default.plist";
inline constexpr const char* QVDefaultFolderLayoutFileName = "Default Folder.plist";
inline constexpr const char* QVApplicationBundleFolder = "/Applications/Quilt Vane.app";
inline constexpr const char* QVDefaultIconImageName = "Default_Icon.png";

// Key stems and the endings that make a device's keys and the older forms.
inline constexpr const char* QVOriginsStem = "Origins";
inline constexpr const char* QVGridSizeStem = "GridSize";
inline constexpr const char* QVLandscapeSuffix = "-Landscape";
inline constexpr const char* QVTallSuffix = "-Tall";

// Top-level flags of a layout file.
inline constexpr const char* QVMadeByApplicationKey = "QV";
inline constexpr const char* QVFolderLayoutKey = "FolderLayout";

// An icon entry.
inline constexpr const char* QVIconXKey = "x";
inline constexpr const char* QVIconYKey = "y";
inline constexpr const char* QVIconLockedIndexKey = "LockedIndex";

// A grid entry.
inline constexpr const char* QVGridColumnsKey = "Dimensions-Width";
inline constexpr const char* QVGridRowsKey = "Dimensions-Height";
inline constexpr const char* QVGridXKey = "x";
inline constexpr const char* QVGridYKey = "y";
inline constexpr const char* QVGridWidthKey = "width";
inline constexpr const char* QVGridHeightKey = "height";

// The result of icon extraction.
inline constexpr const char* QVPortraitIconsKey = "Portrait";
inline constexpr const char* QVLandscapeIconsKey = "Landscape";
inline constexpr const char* QVGridDimensionsKey = "GridDimensions";
inline constexpr const char* QVGridFrameKey = "GridFrame";

} // namespace qv
