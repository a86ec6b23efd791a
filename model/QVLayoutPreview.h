#pragma once

#include "model/QVDeviceType.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/UIKit/UIImage.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UIView.h"

#include <vector>

#if defined(QV_MODEL_APPLICATION)
#include "model/QVDevice.h"
#include "model/QVReader.h"
#include "model/QVSettings.h"
#else
#include "model/QVLayoutReader.h"
#endif

namespace qv {

// The thumbnail of a layout that the layout lists show: one dot per icon of
// the running device's layout, portrait at the left and landscape 80
// points to its right, each at the icon's origin scaled down by the
// device's divisors. Built whole when made; it keeps no layout and never
// changes afterwards.
//
// The application draws its dots with the icon image the user chose; the
// Settings bundle with the application bundle's stock icon, and with
// fractional origins.
class QVLayoutPreview : public UIView {
    QV_MAKE_REF_FRIEND;

public:
    // The layout goes through the icon extraction, which upgrades it in
    // memory, in place; no file is written. No layout: no dots.
    static Ref<QVLayoutPreview> create(CGRect frame, const RefPtr<NSDictionary>& layoutData);

    // Makes and adds one dot per icon entry, in order, and returns them.
    // On an iPad `iPadLayout` chooses the finer of the iPad's divisors.
    std::vector<Ref<UIImageView>> _generatePreviewIconArray(const RefPtr<NSArray>& icons, bool iPadLayout);

    std::string className() const override { return "QVLayoutPreview"; }

    // Where an icon's dot goes: divisors of its origin and the dot's side.
    struct DotGeometry {
        CGFloat dx;
        CGFloat dy;
        CGFloat side;
    };
    static DotGeometry dotGeometry(QVDeviceType deviceType, bool iPadLayout);
    // How far right the landscape dots sit.
    static constexpr CGFloat landscapeOffset = 80.0;

private:
    explicit QVLayoutPreview(CGRect frame);
    ~QVLayoutPreview() override = default;

    void addDots(const RefPtr<NSDictionary>& layoutData);
    // What the flavours do each their own way.
    RefPtr<UIImage> dotImage() const;
    QVDeviceType deviceType() const;
    const LayoutReaderBase& reader() const;

#if defined(QV_MODEL_APPLICATION)
    const Ref<QVSettings> m_settings;
    const Ref<QVDevice> m_device;
    const Ref<QVReader> m_reader;
#else
    const Ref<QVLayoutReader> m_layoutReader;
#endif
};

} // namespace qv
