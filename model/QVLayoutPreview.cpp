#include "QVLayoutPreview.h"

#include "model/QVLayoutKeys.h"
#include "platform/Foundation/PathUtilities.h"

namespace qv {

Ref<QVLayoutPreview> QVLayoutPreview::create(CGRect frame, const RefPtr<NSDictionary>& layoutData)
{
    Ref<QVLayoutPreview> preview = makeRef<QVLayoutPreview>(frame);
    preview->addDots(layoutData);
    return preview;
}

#if defined(QV_MODEL_APPLICATION)

QVLayoutPreview::QVLayoutPreview(CGRect frame)
    : UIView(frame)
    , m_settings(QVSettings::currentSettings())
    , m_device(QVDevice::currentDevice())
    , m_reader(QVReader::create())
{
}

RefPtr<UIImage> QVLayoutPreview::dotImage() const
{
    return m_settings->currentIconImage();
}

QVDeviceType QVLayoutPreview::deviceType() const
{
    return m_device->deviceType();
}

const LayoutReaderBase& QVLayoutPreview::reader() const
{
    return m_reader;
}

#else

QVLayoutPreview::QVLayoutPreview(CGRect frame)
    : UIView(frame)
    , m_layoutReader(QVLayoutReader::create())
{
}

// The Settings bundle knows nothing of the icon image chosen in the
// application; it shows the application bundle's stock icon.
RefPtr<UIImage> QVLayoutPreview::dotImage() const
{
    return UIImage::imageWithContentsOfFile(stringByAppendingPathComponent(QVApplicationBundleFolder, QVDefaultIconImageName));
}

QVDeviceType QVLayoutPreview::deviceType() const
{
    return currentDeviceType();
}

const LayoutReaderBase& QVLayoutPreview::reader() const
{
    return m_layoutReader;
}

#endif

QVLayoutPreview::DotGeometry QVLayoutPreview::dotGeometry(QVDeviceType deviceType, bool iPadLayout)
{
    switch (deviceType) {
    case QVDeviceTypeiPad:
        return iPadLayout ? DotGeometry { 10, 12, 8 } : DotGeometry { 5, 5, 8 };
    case QVDeviceTypeiPhone4Inch:
        return { 8, 9, 9 };
    case QVDeviceTypeiPhone4_7Inch:
        return { 10, 11, 9 };
    case QVDeviceTypeiPhone5_5Inch:
        return { 10, 11, 8 };
    case QVDeviceTypeiPhone3_5Inch:
    case QVDeviceTypeUnknown:
        break;
    }
    return { 7, 8, 10 };
}

void QVLayoutPreview::addDots(const RefPtr<NSDictionary>& layoutData)
{
    Ref<NSDictionary> icons = reader().generateIconsFromLayout(layoutData);
    // Landscape first, so that where the groups overlap the portrait dots
    // lie on top.
    RefPtr<NSArray> landscape = icons->arrayForKey(QVLandscapeIconsKey);
    if (landscape && landscape->count() > 0) {
        for (const Ref<UIImageView>& dot : _generatePreviewIconArray(landscape, true)) {
            CGRect frame = dot->frame();
            frame.origin.x += landscapeOffset;
            dot->setFrame(frame);
        }
    }
    RefPtr<NSArray> portrait = icons->arrayForKey(QVPortraitIconsKey);
    if (portrait && portrait->count() > 0)
        _generatePreviewIconArray(portrait, true);
}

std::vector<Ref<UIImageView>> QVLayoutPreview::_generatePreviewIconArray(const RefPtr<NSArray>& icons, bool iPadLayout)
{
    std::vector<Ref<UIImageView>> dots;
    if (!icons)
        return dots;
    RefPtr<UIImage> image = dotImage();
    for (const Ref<NSObject>& icon : icons->objects()) {
        const CGPoint origin = reader().iconOriginFromIconData(icon);
        Ref<UIImageView> dot = makeRef<UIImageView>(image);
        const DotGeometry geometry = dotGeometry(deviceType(), iPadLayout);
        dot->setFrame(CGRectMake(origin.x / geometry.dx, origin.y / geometry.dy, geometry.side, geometry.side));
        addSubview(dot);
        dots.push_back(dot);
    }
    return dots;
}

} // namespace qv
