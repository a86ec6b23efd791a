// settings: the Settings app of the simulated device (QV_ROOT, QV_DEVICE),
// with the preference bundles installed there, driven through QV_DRIVER.
#include "hosts/settings/SettingsHost.h"

int main(int argc, char** argv)
{
    return qv::SettingsMain(argc, argv);
}
