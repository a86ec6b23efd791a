#include "ModelTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "model/QVLayoutKeys.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/UIKit/UIImage.h"
#include "testing/Process.h"

#include <filesystem>

namespace qv::testing {

ScopedDeviceProfile::ScopedDeviceProfile(const DeviceProfile& profile)
{
    applyDeviceProfile(profile);
}

ScopedDeviceProfile::ScopedDeviceProfile(const std::string& builtInName)
{
    auto profile = DeviceProfile::named(builtInName);
    EXPECT_TRUE(profile) << builtInName;
    applyDeviceProfile(profile.value_or(DeviceProfile::fromEnvironment()));
}

ScopedDeviceProfile::~ScopedDeviceProfile()
{
    applyDeviceProfile(DeviceProfile::fromEnvironment());
}

DeviceProfile screenProfile(CGFloat height, std::optional<int64_t> idiom)
{
    DeviceProfile profile = DeviceProfile::make("test", 320, height, 2, idiom.value_or(UIUserInterfaceIdiomPhone));
    profile.idiom = idiom;
    return profile;
}

DeviceProfile screenProfileWithoutNativeBounds(CGFloat height, std::optional<int64_t> idiom)
{
    DeviceProfile profile = screenProfile(height, idiom);
    profile.nativeBounds.reset();
    return profile;
}

Ref<NSDictionary> iconEntry(int x, int y, int lockedIndex)
{
    return NSDictionary::create({ { QVIconXKey, x }, { QVIconYKey, y }, { QVIconLockedIndexKey, lockedIndex } });
}

Ref<NSArray> iconList(int firstX, int count)
{
    Ref<NSArray> list = NSArray::create();
    for (int index = 0; index < count; ++index)
        list->addObject(iconEntry(firstX + index, 100 + index));
    return list;
}

Ref<NSDictionary> gridEntry(int columns, int rows, float x, float y, float width, float height)
{
    return NSDictionary::create({
        { QVGridColumnsKey, columns },
        { QVGridRowsKey, rows },
        { QVGridXKey, x },
        { QVGridYKey, y },
        { QVGridWidthKey, width },
        { QVGridHeightKey, height },
    });
}

LayoutRoot::LayoutRoot()
{
    std::filesystem::create_directories(m_root.hostPath(QVUserLayoutsFolder));
    std::filesystem::create_directories(m_root.hostPath(QVDefaultLayoutsFolder));
}

std::string LayoutRoot::userLayoutPath(std::string_view fileName)
{
    return stringByAppendingPathComponent(QVUserLayoutsFolder, fileName);
}

std::string LayoutRoot::defaultLayoutPath(std::string_view fileName)
{
    return stringByAppendingPathComponent(QVDefaultLayoutsFolder, fileName);
}

void LayoutRoot::writeLayout(const std::string& devicePath, const NSDictionary& layout) const
{
    ASSERT_TRUE(layout.writeToFile(devicePath, true)) << devicePath;
}

void LayoutRoot::writeImage(const std::string& devicePath, size_t side) const
{
    auto png = encodePNG(PixelBuffer(side, side));
    ASSERT_TRUE(png);
    m_root.writeFile(devicePath, std::string_view(reinterpret_cast<const char*>(png->data()), png->size()));
}

void LayoutRoot::writeDefaultLayout(const NSDictionary& layout) const
{
    writeLayout(defaultLayoutPath(QVDefaultLayoutFileName), layout);
}

void LayoutRoot::writeDefaultFolderLayout(const NSDictionary& layout) const
{
    writeLayout(defaultLayoutPath(QVDefaultFolderLayoutFileName), layout);
}

std::string LayoutRoot::plistlibJSON(const std::string& devicePath) const
{
    auto result = runPython("import json, plistlib, sys\n"
                            "with open(sys.argv[1], 'rb') as file:\n"
                            "    value = plistlib.load(file)\n"
                            "sys.stdout.write(json.dumps(value, sort_keys=True))\n",
        { m_root.hostPath(devicePath).string() });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.exitCode == 0 ? result.output : std::string();
}

} // namespace qv::testing

namespace qv::testing {

Ref<NSDictionary> defaultLayoutFixture(int marker)
{
    const char* suffixes[] = { "-3_5Inch", "-4Inch", "-4_7Inch", "-5_5Inch", "-iPad", "" };
    Ref<NSDictionary> layout = NSDictionary::create({ { QVMadeByApplicationKey, true } });
    int classMarker = marker;
    for (const char* suffix : suffixes) {
        const std::string origins = std::string(QVOriginsStem) + suffix;
        const std::string grid = std::string(QVGridSizeStem) + suffix;
        layout->setObject(iconList(classMarker, 3), origins);
        layout->setObject(iconList(classMarker + 50, 2), origins + QVLandscapeSuffix);
        layout->setObject(gridEntry(5, 6, 0.5f, 20, 320, static_cast<float>(classMarker)), grid);
        layout->setObject(gridEntry(7, 4, 0.5f, 20, 568, static_cast<float>(classMarker + 50)), grid + QVLandscapeSuffix);
        classMarker += 100;
    }
    return layout;
}

} // namespace qv::testing
