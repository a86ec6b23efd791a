#pragma once

namespace qv {

// Makes the extension's classes known to the runtime by name.
void QVRegisterClasses();

// The extension's start in SpringBoard, once, before SpringBoard finishes
// launching: the layouts manager and the switches, every method installed,
// the registration with IconSupport, the answers to the folder-list and
// folder-size requests, the user layouts folder tidied, the Infiniboard
// test and the home-screen layouts loaded.
void QVInitialize();

} // namespace qv
