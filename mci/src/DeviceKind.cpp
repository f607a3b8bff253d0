#include "DeviceKind.h"

#include "mci/mci.h"

#include "common/AsciiText.h"

namespace zuvelo::mci {

DeviceKind deviceKindFor(std::string_view fileName)
{
    if (endsWithIgnoringAsciiCase(fileName, "wav"))
        return DeviceKind::WaveAudio;
    if (endsWithIgnoringAsciiCase(fileName, "mid") || endsWithIgnoringAsciiCase(fileName, "midi"))
        return DeviceKind::Sequencer;
    return DeviceKind::MpegVideo;
}

unsigned long undecodableError(DeviceKind kind)
{
    return kind == DeviceKind::MpegVideo ? MCIERR_INTERNAL : MCIERR_INVALID_FILE;
}

} // namespace zuvelo::mci
