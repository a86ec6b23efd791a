#pragma once

#include <cstdint>

namespace qv {

// Which image the user is choosing from the themes: the editor's icon image
// or its background. Shared by the editor, the theme screens and the theme
// scanning of the layout reader.
enum QVBrowseType : int32_t {
    QVBrowseTypeIconImage = 0,
    QVBrowseTypeBackgroundImage = 1,
};

// The groups of a theme's images: icons of app bundles ("Bundles/<id>/"),
// of folders ("Folders/<name>/"), loose icons ("Icons/") and the wallpaper
// in the theme folder itself.
inline constexpr const char* QVThemeBundlesKey = "Bundles";
inline constexpr const char* QVThemeFoldersKey = "Folders";
inline constexpr const char* QVThemeIconsKey = "Icons";
inline constexpr const char* QVThemeBackgroundsKey = "Backgrounds";

// The kind of folder scan: the icon files of one bundle or folder
// sub-folder (0 and 2 alike), or the png files of a folder (1).
enum QVThemeScanKind : int32_t {
    QVThemeScanFolderIcons = 0,
    QVThemeScanPNGFiles = 1,
    QVThemeScanBundleIcons = 2,
};

} // namespace qv
