#pragma once

namespace qv {

// Adds initForContentSize: to PSViewController when its instances do not
// answer it: the added initialiser ignores the size and answers init. A
// PSViewController that answers it already is left as it is.
void installInitForContentSize();

} // namespace qv
