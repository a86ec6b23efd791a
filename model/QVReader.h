#pragma once

#include "model/LayoutReaderBase.h"
#include "model/QVDevice.h"
#include "model/QVSettings.h"
#include "model/QVThemeImages.h"
#include "platform/Foundation/NSArray.h"

#include <string>

namespace qv {

// The application's layout reader. The editor works on whole points, so
// icon origins read as integers; the extraction also gives each
// orientation's grid and the folder flag; and it tells whether a saved
// layout may be overwritten.
class QVReader : public LayoutReaderBase {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<QVReader> create();

    // Whether the layout of this name (without ".plist") in the user
    // layouts folder was made by the application: its "QV" entry is true.
    // NO for a missing or unreadable file or a missing entry.
    bool canOverwriteLayout(const std::string& name) const;
    bool canOverwriteLayoutAtPath(const std::string& path) const;

    // "x" and "y" as integers, truncated toward zero (saturating; NaN is 0).
    CGPoint iconOriginFromIconData(const RefPtr<NSObject>& iconData) const override;

    // Theme scanning. A theme is a folder under the themes folder; its
    // images are found by their places and names alone (no description file
    // is read). Everything is read afresh at every call. Symbolic links are
    // followed anywhere on the device (themes are often kept elsewhere and
    // linked in); a link that leaves the device or loops reads as nothing.

    // Whether the theme has at least one image for the browse type.
    bool isValidThemeAtDirectory(const std::string& directory, int32_t browseType) const;
    // The theme's images by group ("Bundles", "Folders" and "Icons" for icon
    // images, "Backgrounds" for backgrounds), each a list of entries relative
    // to its group folder (to the theme folder for backgrounds). A group is
    // present only when its source folder (or a wallpaper) was found.
    Ref<NSDictionary> imagesInThemeAtDirectory(const std::string& directory, int32_t browseType) const;
    // The image files of one folder for a scan kind (QVThemeScanKind), in
    // listing order; empty for an unknown kind.
    Ref<NSArray> listOfThemeIconsAtDirectory(const std::string& directory, int32_t themeType) const;

    std::string className() const override { return "QVReader"; }

protected:
    // "GridDimensions" and "GridFrame" for each orientation whose grid the
    // layout holds (with "-Landscape" for landscape), and "FolderLayout"
    // when the layout has one.
    void addExtractedEntries(NSDictionary& result, const RefPtr<NSDictionary>& upgradedLayout) const override;

private:
    QVReader();

    // The entries of every sub-folder of "<theme>/<group>", scanned with the kind.
    void addSubfolderIcons(NSDictionary& images, const std::string& directory, const std::string& group, int32_t kind) const;
    void addBackground(NSDictionary& images, const std::string& directory) const;

    const Ref<QVSettings> m_settings;
    const Ref<QVDevice> m_device;
};

} // namespace qv
