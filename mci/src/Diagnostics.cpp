// The diagnostic hooks of Diagnostics.h, over the device registry, the sound output and the
// soundfont cache.

#include "mci/Diagnostics.h"

#include "DeviceRegistry.h"
#include "SoundFont.h"
#include "SoundOutput.h"

#include <string>

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

const char* mciSoundFontFile()
{
    static std::string file;
    file = zuvelo::mci::SoundFontCache::shared().soundFontFile();
    return file.c_str();
}

int mciOutputBufferFrames()
{
    return zuvelo::mci::SoundOutput::instance().bufferFrames();
}

unsigned long mciOpenSoundOutput()
{
    return zuvelo::mci::SoundOutput::instance().open();
}
