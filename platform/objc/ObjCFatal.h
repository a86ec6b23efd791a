#pragma once

#include "ObjCTypes.h"

#include <string>
#include <typeinfo>

namespace qv::objc_detail {

// A fault in the use of the runtime (an unrecognised selector, a call with
// the wrong types): says why on standard error and ends the process, as the
// device does with its uncaught exception.
[[noreturn]] void fatal(const std::string& message);

// "-[Class selector]" or "+[Class selector]": the method of a class, or of
// a metaclass for a class method.
std::string describeMethod(Class cls, SEL selector);
// The same for the message sent to self.
std::string describeMessage(id self, SEL selector);
// The object's address, as the device prints it.
std::string describeAddress(const void* object);

// The readable name of a C++ type.
std::string typeName(const std::type_info& type);

[[noreturn]] void failWrongKind(const std::type_info& actual, const std::type_info& expected);
[[noreturn]] void failMissingObject(const std::type_info& expected);

} // namespace qv::objc_detail
