#include "InstallStep.h"

#include "ApplicationProgram.h"
#include "BuiltDeliverables.h"
#include "BundleImages.h"
#include "DefaultLayouts.h"
#include "HomeScreen.h"
#include "SampleThemes.h"
#include "StockWallpapers.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/core/Log.h"

namespace qv {

const std::vector<InstallStep>& installSteps()
{
    static const std::vector<InstallStep> steps {
        { "default layouts", installDefaultLayouts },
        { "application bundle images", installBundleImages },
        { "stock wallpapers", installStockWallpapers },
        { "sample themes", installSampleThemes },
        { "SpringBoard home screen", installHomeScreen },
        { "application program", installApplicationProgram },
        { "built deliverables", installBuiltDeliverables },
    };
    return steps;
}

static bool createFolderForFile(const std::string& devicePath)
{
    std::string folder = stringByDeletingLastPathComponent(devicePath);
    RefPtr<NSError> error;
    if (NSFileManager::defaultManager()->createDirectoryAtPath(folder, true, &error))
        return true;
    logLine("Could not create " + folder + (error ? ": " + error->localizedDescription() : std::string()));
    return false;
}

bool writeDeviceFile(const std::string& devicePath, const NSData& data)
{
    if (!createFolderForFile(devicePath))
        return false;
    if (data.writeToFile(devicePath, true))
        return true;
    logLine("Could not write " + devicePath);
    return false;
}

bool writeDevicePropertyList(const std::string& devicePath, const NSObject& propertyList)
{
    std::optional<std::string> xml = NSPropertyListSerialization::XMLDataWithPropertyList(propertyList);
    if (!xml) {
        logLine("Could not make a property list of " + devicePath);
        return false;
    }
    return writeDeviceFile(devicePath, NSData::dataWithBytes(xml->data(), xml->size()));
}

} // namespace qv
