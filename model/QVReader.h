#pragma once

#include "model/LayoutReaderBase.h"
#include "model/QVDevice.h"
#include "model/QVSettings.h"

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

    std::string className() const override { return "QVReader"; }

protected:
    // "GridDimensions" and "GridFrame" for each orientation whose grid the
    // layout holds (with "-Landscape" for landscape), and "FolderLayout"
    // when the layout has one.
    void addExtractedEntries(NSDictionary& result, const RefPtr<NSDictionary>& upgradedLayout) const override;

private:
    QVReader();

    const Ref<QVSettings> m_settings;
    const Ref<QVDevice> m_device;
};

} // namespace qv
