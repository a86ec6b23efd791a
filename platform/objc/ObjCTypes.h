#pragma once

#include <cstddef>

namespace qv {

class Object;
class objc_object;
class objc_class;
struct objc_selector;
struct objc_method;
struct objc_ivar;

// The runtime's names for its kinds of things, as the device spells them.
// `id` and `Class` never own what they point at: ownership stays with
// Ref/RefPtr, and classes live as long as the process.
using id = objc_object*;
using Class = objc_class*;
using SEL = const objc_selector*;
using Method = objc_method*;
using Ivar = const objc_ivar*;

} // namespace qv
