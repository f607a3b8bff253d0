// mciGetErrorString: an English sentence for each error code the layer returns.

#include "mci/mci.h"

#include <algorithm>
#include <cstring>

namespace {

struct ErrorText {
    unsigned long code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {0, "The specified command was carried out."},
    {MCIERR_UNRECOGNIZED_KEYWORD, "The driver cannot recognize the specified command parameter."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The driver cannot recognize the specified command."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
    {MCIERR_DEVICE_OPEN, "The device name is already being used as an alias by this application."},
    {MCIERR_MISSING_COMMAND_STRING, "No command was specified."},
    {MCIERR_PARAM_OVERFLOW, "The output string was too large to fit in the return buffer."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter."},
    {MCIERR_FILE_NOT_FOUND, "Cannot find the specified file."},
    {MCIERR_INTERNAL, "The file cannot be played: it is not in a format the device can decode."},
    {MCIERR_MISSING_DEVICE_NAME, "The specified command requires a device name."},
    {MCIERR_NO_CLOSING_QUOTE, "A closing double-quotation mark is missing."},
    {MCIERR_INVALID_FILE, "The specified file cannot be played on the specified device."},
    {MCIERR_NONAPPLICABLE_FUNCTION, "The specified command cannot be carried out in the device's present state."},
};

} // namespace

bool mciGetErrorString(unsigned long error, char* buffer, unsigned length)
{
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code != error)
            continue;
        if (buffer != nullptr && length > 0) {
            const std::size_t n = std::min<std::size_t>(std::strlen(entry.text), length - 1);
            std::memcpy(buffer, entry.text, n);
            buffer[n] = '\0';
        }
        return true;
    }
    if (buffer != nullptr && length > 0)
        buffer[0] = '\0';
    return false;
}
