#include "HomeScreen.h"

#include "InstallStep.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/SpringBoard/SBHomeScreenDescription.h"

namespace qv {

bool installHomeScreen()
{
    return writeDevicePropertyList(SBHomeScreenDescription::homeScreenPath, SBHomeScreenDescription::defaultDescription());
}

} // namespace qv
