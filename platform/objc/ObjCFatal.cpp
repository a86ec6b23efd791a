#include "ObjCFatal.h"

#include "Runtime.h"

#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace qv::objc_detail {

void fatal(const std::string& message)
{
    // Straight to standard error: a log capture must not swallow the reason
    // the process is about to end.
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string describeMethod(Class cls, SEL selector)
{
    const char* sign = class_isMetaClass(cls) ? "+" : "-";
    return std::string(sign) + "[" + class_getName(cls) + " " + sel_getName(selector) + "]";
}

std::string describeMessage(id self, SEL selector)
{
    return describeMethod(object_getClass(self), selector);
}

std::string describeAddress(const void* object)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", object);
    return text;
}

std::string typeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : type.name();
}

void failWrongKind(const std::type_info& actual, const std::type_info& expected)
{
    fatal("object of C++ type " + typeName(actual) + " given where " + typeName(expected) + " is expected");
}

void failMissingObject(const std::type_info& expected)
{
    fatal("nil given where an object of C++ type " + typeName(expected) + " is required");
}

} // namespace qv::objc_detail
