#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qv {

class NSData;
class NSObject;

// One part of the data a device root holds. A step writes its own files
// anew every time it runs (but for the user's own, such as the home
// screen), creating folders as needed, and says in the log
// what went wrong when it fails. All paths are device paths, resolved under
// the device root QV_ROOT.
struct InstallStep {
    std::string name;
    std::function<bool()> run;
};

// In the order they run; new parts of the system add their step here.
const std::vector<InstallStep>& installSteps();

// Writes a whole file at a device path, atomically, creating its folder.
bool writeDeviceFile(const std::string& devicePath, const NSData& data);
// Writes a property list as XML at a device path, the same way.
bool writeDevicePropertyList(const std::string& devicePath, const NSObject& propertyList);

} // namespace qv
