// springboard: the home screen of the simulated device (QV_ROOT, QV_DEVICE),
// with the substrate extensions installed there, driven through its
// standard input (or what QV_DRIVER names).
#include "hosts/springboard/SpringBoardHost.h"

int main(int argc, char** argv)
{
    return qv::SpringBoardMain(argc, argv);
}
