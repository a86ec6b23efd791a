#pragma once

#include <filesystem>

namespace qv {

// The deliverables the build lays out as they lie on the device (the
// Settings bundle and its Settings entry, and whatever else the build puts
// there), in the folder "deliverables" beside the build's "bin" folder.
std::filesystem::path builtDeliverablesFolder();

// Copies every file of that folder to the same device path in the device
// root. Fails, saying so, when the folder is missing or a file cannot be
// read or written.
bool installBuiltDeliverables();

} // namespace qv
