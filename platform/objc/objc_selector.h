#pragma once

#include "ObjCTypes.h"

#include <string>

namespace qv {

// A selector: a method name interned once per process, so that selectors
// compare by pointer. Selectors are never freed.
struct objc_selector {
    explicit objc_selector(std::string selectorName) : name(std::move(selectorName)) {}
    objc_selector(const objc_selector&) = delete;
    objc_selector& operator=(const objc_selector&) = delete;

    const std::string name;
};

// The one selector of a name; made on first use. Null for a null name.
SEL sel_registerName(const char* name);
SEL sel_getUid(const char* name);
// The name of a selector; "<null selector>" for null.
const char* sel_getName(SEL selector);
bool sel_isEqual(SEL first, SEL second);

} // namespace qv
