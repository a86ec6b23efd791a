// The library's one entry point: the substrate loads it into SpringBoard
// before SpringBoard finishes launching, and its constructor starts the
// extension.

#include "QVInitialize.h"

__attribute__((constructor)) static void QVModuleConstructor()
{
    qv::QVInitialize();
}
