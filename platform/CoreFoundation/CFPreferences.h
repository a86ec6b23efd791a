#pragma once

#include "platform/Foundation/NSObject.h"

#include <string>

namespace qv {

// Per-application preference values, by domain (the application id). Each
// process keeps its own view of a domain: a value set is seen at once in
// this process, and reaches the device's preference file, and from there
// other processes, when both sides synchronise.

// A copy of the value under the key; absent when the key has no value.
RefPtr<NSObject> CFPreferencesCopyAppValue(const std::string& key, const std::string& applicationID);
// Sets a copy of a property-list value; setting no value removes the key.
void CFPreferencesSetAppValue(const std::string& key, RefPtr<NSObject> value, const std::string& applicationID);
// Writes this process's changes to the domain's file and takes in the
// changes of other processes; false when the file cannot be written.
bool CFPreferencesAppSynchronize(const std::string& applicationID);

} // namespace qv
