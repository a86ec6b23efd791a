// springboard: the home screen of the simulated device (QV_ROOT, QV_DEVICE),
// with the substrate extensions installed there, driven through QV_DRIVER.
#include "hosts/springboard/SpringBoardHost.h"

int main(int argc, char** argv)
{
    return qv::SpringBoardMain(argc, argv);
}
