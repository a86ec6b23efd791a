#include "HomeScreen.h"

#include "InstallStep.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"
#include "platform/core/Log.h"

namespace qv {

bool installHomeScreen()
{
    const std::string path = SBHomeScreenDescription::homeScreenPath;
    auto xml = NSPropertyListSerialization::XMLDataWithPropertyList(SBHomeScreenDescription::defaultDescription());
    if (!xml) {
        logLine("Could not make a property list of " + path);
        return false;
    }
    return writeDeviceFile(path, NSData::dataWithBytes(xml->data(), xml->size()));
}

} // namespace qv
