#pragma once

#include "QVLayoutFile.h"
#include "model/QVLayoutReference.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSString.h"
#include "platform/SpringBoard/SBIcon.h"
#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace qv {

// The extension's one store of the layouts the user applied: it turns the
// layout references of the shared preferences into layout dictionaries (one
// for the whole home screen, one for each of the pages 0 to 10, one for each
// folder), repairs references that name no layout, and answers the hooks'
// questions: which layout governs a page or folder, whether a layout serves
// the running device, where entry i of an origins list puts an icon. It also
// fades icon views out and back in around SpringBoard's animations, and
// switches the extension off when the default layout cannot be read. One
// object per process (sharedInstance), a class of the runtime.
class QVLayoutManager : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static RefPtr<QVLayoutManager> sharedInstance();

    const std::string& userLayoutPath() const { return m_userLayoutPath; }
    Ref<NSArray> placeholderIcons() const { return m_placeholderIcons; }
    void setPlaceholderIcons(Ref<NSArray> icons) { m_placeholderIcons = std::move(icons); }
    // Null until the first configuration.
    RefPtr<NSDictionary> layouts() const { return m_layouts; }
    void setLayouts(RefPtr<NSDictionary> layouts) { m_layouts = std::move(layouts); }
    // The largest origin count of any layout loaded so far; NSIntegerMax
    // before the first configuration.
    uint64_t maxIconsInAllLayouts() const;
    void setMaxIconsInAllLayouts(uint64_t count) { m_maxIconsInAllLayouts = count; }

    // Loading one layout; never null.
    Ref<NSDictionary> layoutAtPath(const std::string& path, bool isFolderLayout);
    Ref<NSDictionary> layoutAtPath(const std::string& path);
    Ref<NSDictionary> layoutWithName(const std::string& name, bool isDefaultLayout);
    Ref<NSDictionary> layoutWithName(const std::string& name, bool isFolderLayout, bool isDefaultLayout);
    // A new copy of the default layout as stored; null (after disableTweak)
    // when it cannot be read.
    RefPtr<NSDictionary> defaultLayout();
    RefPtr<NSDictionary> defaultFolderLayout();

    // Rebuilds the layouts from the preferences, folders too when asked.
    void configureLayouts(bool withFolders);
    void configureFolderLayouts();
    // The display names of the home screen's folders, each once, the
    // newsstand left out; seeds the folder keys that have no value.
    Ref<NSArray> allFolderNames();
    // Switches the extension off, once, when a default layout is unreadable.
    void disableTweak();

    // Lookups; null where there is no layout.
    RefPtr<NSDictionary> currentLayoutAtIndex(uint64_t index);
    RefPtr<NSDictionary> currentLayout();
    RefPtr<NSDictionary> currentLayoutForFolder(const std::string& folderName);
    bool isValidLayout(const NSDictionary* layout);
    // The origins list of the running device and orientation; null when the
    // layout has none.
    RefPtr<NSArray> currentOrigins(const NSDictionary* layout);
    // The same for SpringBoard's orientation already at hand.
    RefPtr<NSArray> currentOrigins(const NSDictionary* layout, int64_t orientation);

    // Entry i of an origins list: its "x", and its "y" less 20. An entry that
    // is no dictionary, or a coordinate that is no finite number, reads as 0.
    CGPoint originAtIndex(uint64_t index, const NSArray* inOrigins);
    // A home-screen origin scaled to SpringBoard's open-folder background.
    CGPoint originAfterScalingToFolderSize(CGPoint point);
    void setOrigin(CGPoint origin, uint64_t forIconAtIndex, uint64_t atPage);

    void _updateMaxIconCountForLayout(const NSDictionary* layout);
    bool isValidIcon(const SBIcon* icon);
    uint64_t amountOfIconsInArray(const NSArray* icons);

    // Fading icon views out of the way of an animation and back.
    void hideIconViews(const RefPtr<NSArray>& views, double withAnimationDuration);
    void showIconViews();
    void showIconViewsAfterDelay(double delay);
    // The views faded out and not yet shown again; null when none.
    RefPtr<NSArray> hiddenIconViews() const { return m_hiddenIconViews; }

    // The running device's class and origins keys, asked anew at every call.
    bool iPhone3_5Inch() const;
    bool iPhone4Inch() const;
    bool iPhone4_7Inch() const;
    bool iPhone5_5Inch() const;
    bool iPad() const;
    const std::string& currentOriginsPortraitKey() const;
    const std::string& currentOriginsLandscapeKey() const;
    const std::string& currentOriginsKey() const;
    // The key of either orientation: portrait for 1 and 2, else landscape.
    const std::string& originsKeyForOrientation(int64_t orientation) const;
    std::string oldLayoutOriginsPortraitKey() const;
    std::string oldLayoutOriginsLandscapeKey() const;
    std::string oldLayoutOriginsKey() const;

private:
    QVLayoutManager();
    ~QVLayoutManager() override = default;

    // The layouts one configuration has loaded, by device path and folder
    // flag: each file is read (and written back) once per configuration.
    using LoadedLayouts = std::map<std::pair<std::string, bool>, Ref<NSDictionary>>;

    // A layout read from its file: upgraded for this device, and written
    // back only when that changed it; the default one when there is none.
    Ref<NSDictionary> loadLayout(const std::string& path, std::optional<QVLayoutFile> file, bool isFolderLayout);
    // The layout a reference names, loaded once per configuration; a new
    // dictionary at every call.
    Ref<NSDictionary> layoutNamedBy(const QVLayoutReference& reference, bool isFolderLayout, LoadedLayouts& loaded);
    // One applied-layout key: its layout stored into `target` (the default
    // one, with the key rewritten, when the key names no layout), then the
    // layout it names counted for maxIconsInAllLayouts.
    void configureKey(NSDictionary& target, const std::string& key, bool isFolderKey, LoadedLayouts& loaded);
    void configureFolderLayouts(NSDictionary& target, LoadedLayouts& loaded);
    RefPtr<NSDictionary> readDefaultLayout(const char* fileName);
    void logAppliedReferences();

    const std::string m_userLayoutPath;
    Ref<NSArray> m_placeholderIcons;
    RefPtr<NSDictionary> m_layouts;
    uint64_t m_maxIconsInAllLayouts = 1;
    RefPtr<NSArray> m_hiddenIconViews;
    // Counts configurations, so that one that another started inside of it
    // does not overwrite that newer one's layouts.
    uint64_t m_configurations = 0;
};

// The manager's messages, as SpringBoard's tools and other extensions reach
// them through the runtime.
struct QVLayoutManagerMessages {
    static inline const ObjCClassMessage<RefPtr<QVLayoutManager>()> sharedInstance { "sharedInstance" };
    static inline const ObjCMessage<QVLayoutManager, RefPtr<NSDictionary>()> layouts { "layouts" };
    static inline const ObjCMessage<QVLayoutManager, uint64_t()> maxIconsInAllLayouts { "maxIconsInAllLayouts" };
    static inline const ObjCMessage<QVLayoutManager, RefPtr<NSString>()> currentOriginsKey { "currentOriginsKey" };
};

} // namespace qv
