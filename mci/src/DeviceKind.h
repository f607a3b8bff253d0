#pragma once

#include <string_view>

namespace zuvelo::mci {

// The kinds of device; the file name's tail picks one.
enum class DeviceKind { WaveAudio, Sequencer, MpegVideo };

// The device kind for a file name: in any letter case, a name ending in "wav" is waveaudio, in
// "mid" or "midi" a sequencer, anything else mpegvideo. No dot is needed before the tail.
DeviceKind deviceKindFor(std::string_view fileName);

// The error an open of a file that a device of kind cannot play fails with (a folder, an empty
// file, content that does not decode): MCIERR_INTERNAL for mpegvideo, MCIERR_INVALID_FILE for
// waveaudio and the sequencer, as on the platform.
unsigned long undecodableError(DeviceKind kind);

} // namespace zuvelo::mci
