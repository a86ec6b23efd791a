#pragma once

namespace qv {

// Runs SpringBoard as the device does: its classes are defined, the home
// screen is read from the device root, the substrate loads the extensions
// of the device root's substrate folder, and then SpringBoard finishes
// launching (applicationDidFinishLaunching:, through the runtime) and runs
// its main run loop, where Darwin notifications and the driver's commands
// (QV_DRIVER) arrive, until it is told to quit or its driver's input ends.
// Answers the exit status.
int SpringBoardMain(int argc, char** argv);

} // namespace qv
