#pragma once

namespace qv {

// Runs the Settings app as the device does: the Preferences framework's
// classes are defined, the first screen lists the preference bundles of the
// device root (QV_ROOT), and the main run loop runs, where Darwin
// notifications and the driver's commands (QV_DRIVER) arrive, until it is
// told to quit or its driver's input ends. Answers the exit status.
int SettingsMain(int argc, char** argv);

} // namespace qv
