// Quilt Vane: the layout editor application on the simulated device
// (QV_ROOT, QV_DEVICE), driven through QV_DRIVER.
#include "hosts/quiltvane/QuiltVaneHost.h"

int main(int argc, char** argv)
{
    return qv::QuiltVaneMain(argc, argv);
}
