#pragma once

namespace qv {

// "Default.plist" and "Default Folder.plist" in the default layouts folder:
// SpringBoard's stock arrangement of a home-screen page and of a folder
// page, for every device class and orientation; the bare stems (a device
// of no known class) hold the 3.5-inch phone's.
bool installDefaultLayouts();

} // namespace qv
