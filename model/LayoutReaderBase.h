#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSObject.h"
#include "platform/core/Geometry.h"

#include <optional>
#include <string>

namespace qv {

// What the application's layout reader (QVReader) and the smaller one of
// the extension and the Settings bundle (QVLayoutReader) share: the repair
// of corrupt icon lists, the upgrade of older key forms to the running
// device's keys with the gaps filled from the default layouts, and the
// icon lists of the extraction. Each reader adds its own way of reading an
// icon's origin and, in the application, the grid of the extraction.
//
// A reader holds no layout: every operation works on the caller's
// dictionary, in place, and hands back that same object.
class LayoutReaderBase : public NSObject {
public:
    // A new dictionary read from "Default.plist" (home-screen pages) or
    // "Default Folder.plist" (folders) at every call; absent when the file
    // is missing or holds no dictionary.
    RefPtr<NSDictionary> defaultLayout() const;
    RefPtr<NSDictionary> defaultFolderLayout() const;

    // The icon entry's "x" and "y"; a missing coordinate, and an entry that
    // is no dictionary at all, read as 0.
    virtual CGPoint iconOriginFromIconData(const RefPtr<NSObject>& iconData) const = 0;
    // The entry's origin with the default frame's size.
    CGRect iconFrameFromIconData(const RefPtr<NSObject>& iconData, CGRect withDefaultIconFrame) const;

    // Repair, upgrade of "Origins" then "GridSize", and, given a save path,
    // an atomic write of the whole layout to it (whether or not anything
    // changed). A write that fails keeps the old file whole and the
    // upgraded layout is returned all the same. Absent in, absent out.
    RefPtr<NSDictionary> convertLayoutIfNecessary(const RefPtr<NSDictionary>& layout,
        const std::optional<std::string>& withSavePath, bool isFolderLayout) const;

    // The repair step: a dictionary where the running device's portrait or
    // landscape icon list belongs is removed, and when anything was and a
    // save path is given, the layout is written there at once.
    RefPtr<NSDictionary> _fixCorruptedLayoutIfNecessary(const RefPtr<NSDictionary>& layout,
        const std::optional<std::string>& withSavePath) const;
    // The upgrade step for one key stem ("Origins" or "GridSize"): older
    // forms move to the device's keys ("-Tall" winning over the bare stem),
    // and what is still missing is copied from the matching default layout.
    RefPtr<NSDictionary> _convertLayoutIfNecessary(const RefPtr<NSDictionary>& layout, bool isFolderLayout,
        const std::string& baseKey) const;

    // The running device's "Portrait" and "Landscape" icon lists of the
    // layout, upgraded in memory first (no file is written). The entries
    // are the layout's own; elements that are no icon entries keep their
    // place. Never absent.
    Ref<NSDictionary> generateIconsFromLayout(const RefPtr<NSDictionary>& layout) const;

protected:
    LayoutReaderBase();
    ~LayoutReaderBase() override = default;

    // What a reader adds to an extraction result beside the icon lists,
    // given the upgraded layout; nothing by default.
    virtual void addExtractedEntries(NSDictionary& result, const RefPtr<NSDictionary>& upgradedLayout) const;

    Ref<NSFileManager> m_fileManager;
};

// Entries of a layout read by the device's rules: a number or a string
// converts (saturating; NaN reads as 0 for integers), any other value and
// a missing entry or dictionary read as NO or 0.
bool boolValueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key);
int intValueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key);
float floatValueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key);

} // namespace qv
