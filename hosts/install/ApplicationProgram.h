#pragma once

namespace qv {

// Lays the application's program into its bundle,
// "/Applications/Quilt Vane.app/Quilt Vane", from the folder of the
// install program itself (where the build puts every program). A build
// without the application skips it with a log line.
bool installApplicationProgram();

} // namespace qv
