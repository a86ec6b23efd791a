#pragma once

// The layout reader of the flavour under test, for the tests every flavour
// runs: the application's QVReader reads whole points, the extension's and
// the Settings bundle's QVLayoutReader keeps fractions.
#if defined(QV_MODEL_APPLICATION)
#include "model/QVReader.h"
namespace qv::testing {
using TestedReader = QVReader;
inline constexpr bool readerKeepsFractions = false;
inline constexpr bool readerExtractsGrids = true;
}
#else
#include "model/QVLayoutReader.h"
namespace qv::testing {
using TestedReader = QVLayoutReader;
inline constexpr bool readerKeepsFractions = true;
inline constexpr bool readerExtractsGrids = false;
}
#endif
