// The diagnostic hooks of Diagnostics.h, over the device registry and the sound output.

#include "Diagnostics.h"

#include "DeviceRegistry.h"
#include "SoundOutput.h"

long long mciFirstSampleMicros(const char* deviceName)
{
    if (deviceName == nullptr)
        return -1;
    return zuvelo::mci::DeviceRegistry::instance().firstSampleMicros(deviceName);
}

const char* mciOutputDriverName()
{
    return zuvelo::mci::SoundOutput::instance().driverName().c_str();
}

int mciOutputBufferFrames()
{
    return zuvelo::mci::SoundOutput::instance().bufferFrames();
}

unsigned long mciOpenSoundOutput()
{
    return zuvelo::mci::SoundOutput::instance().open();
}
