#include "HomeScreen.h"

#include "InstallStep.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"
#include "platform/core/Log.h"

namespace qv {

bool installHomeScreen()
{
    // The home screen is the user's once it is there: laying the root out
    // again must not undo their arrangement.
    if (NSFileManager::defaultManager()->fileExistsAtPath(SBHomeScreenDescription::homeScreenPath)) {
        logLine(std::string("keeping the home screen at ") + SBHomeScreenDescription::homeScreenPath);
        return true;
    }
    return writeDevicePropertyList(SBHomeScreenDescription::homeScreenPath, SBHomeScreenDescription::defaultDescription());
}

} // namespace qv
