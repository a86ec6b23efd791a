#pragma once

#include "IMP.h"
#include "ObjCTypes.h"

#include <string>
#include <vector>

namespace qv {

// Replaces the method `selector` of `cls` (a metaclass for a class method)
// with `replacement` and stores in *replaced what a replacement calls to
// pass a call on:
// - a method the class defines itself is replaced, and *replaced gets its
//   old implementation;
// - a method the class only inherits gets the replacement added on the
//   class, and *replaced gets an implementation that calls the
//   superclass's method as it is at the moment of each call (so a later
//   hook on the superclass is honoured);
// - subclasses that do not define the method reach the replacement, and a
//   class method's replacement sees the class that was sent the message.
// A nil class, selector or replacement does nothing, and so does a
// selector the class does not respond to (with a log line); *replaced is
// then left as it was. A replacement whose types differ from the method's
// is a fault. `replaced` may be null.
void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* replaced);

} // namespace qv
