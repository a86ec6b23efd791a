#pragma once

#include <string>
#include <vector>

namespace qv {

// Themes of our own drawing under "/Library/Themes", so that the editor's
// theme browser has something to offer on a fresh device: "Quilt.theme"
// with bundle, folder and loose icons and a wallpaper, and "Dusk.theme"
// with a wallpaper only.
struct SampleThemeFile {
    std::string path;
    size_t width;
    size_t height;
};
const std::vector<SampleThemeFile>& sampleThemeFiles();

bool installSampleThemes();

} // namespace qv
