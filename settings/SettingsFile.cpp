#include "SettingsFile.h"

#include "SettingsFileAccess.h"

#include "common/PathSeparator.h"
#include "fileio/FileReplacement.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace zuvelo {
namespace {

constexpr const char* kFileName = "muini.dat";

// A good file is a handful of bytes; reading no more than this keeps a huge or endless file
// (a device, a pipe) from stalling start-up. Two 32-bit numbers with generous blanks fit.
constexpr std::size_t kReadLimit = 4096;

std::string filePath(const PlayerState& state)
{
    return state.Pare + kPathSeparator + kFileName;
}

// Reads fields the way the classic sequential input does: blanks around a value are skipped,
// a comma or a line end (CR, LF or CR LF) ends a field. Only whole numbers within 32 bits and
// empty fields are accepted; anything else makes the file unusable.
class FieldReader {
public:
    // endIsFinal: whether the text ends where the file does. When it was cut short, a field
    // running into the cut is incomplete rather than ended.
    FieldReader(std::string_view bytes, bool endIsFinal) : m_bytes(bytes), m_endIsFinal(endIsFinal) {}

    enum class Result { Number, Empty, Missing, Invalid };

    Result next(std::int64_t& value)
    {
        if (m_pos >= m_bytes.size() && m_ended)
            return Result::Missing;
        skipBlanks();
        const std::size_t start = m_pos;
        while (m_pos < m_bytes.size() && !isSeparator(m_bytes[m_pos]))
            ++m_pos;
        if (m_pos >= m_bytes.size() && !m_endIsFinal)
            return Result::Invalid;
        std::size_t end = m_pos;
        while (end > start && isBlank(m_bytes[end - 1]))
            --end;
        consumeSeparator();
        if (end == start)
            return Result::Empty;

        const char* first = m_bytes.data() + start;
        const char* last = m_bytes.data() + end;
        if (*first == '+' && last - first > 1 && first[1] != '-')
            ++first;
        std::int32_t parsed = 0;
        const auto [stop, error] = std::from_chars(first, last, parsed);
        if (error != std::errc() || stop != last)
            return Result::Invalid;
        value = parsed;
        return Result::Number;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t'; }
    static bool isSeparator(char c) { return c == ',' || c == '\r' || c == '\n'; }

    void skipBlanks()
    {
        while (m_pos < m_bytes.size() && isBlank(m_bytes[m_pos]))
            ++m_pos;
    }

    void consumeSeparator()
    {
        if (m_pos >= m_bytes.size()) {
            m_ended = true; // the end of the file closed this field; no field follows it
            return;
        }
        const char c = m_bytes[m_pos++];
        if (c == '\r' && m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
            ++m_pos;
        // A line end, unlike a comma, leaves nothing to read when the file stops right after it.
        if (c != ',' && m_pos >= m_bytes.size())
            m_ended = true;
    }

    std::string_view m_bytes;
    bool m_endIsFinal;
    std::size_t m_pos = 0;
    bool m_ended = false;
};

// Parses the two settings values, or nothing when the text is not two whole numbers.
std::optional<std::pair<PlayerNumber, PlayerNumber>> parseSettings(const std::string& bytes)
{
    const bool cut = bytes.size() > kReadLimit;
    FieldReader reader(std::string_view(bytes).substr(0, kReadLimit), !cut);
    PlayerNumber values[2];
    for (PlayerNumber& value : values) {
        std::int64_t number = 0;
        switch (reader.next(number)) {
        case FieldReader::Result::Number: value = number; break;
        case FieldReader::Result::Empty: break; // written as nothing because it was empty: it stays empty
        case FieldReader::Result::Missing:
        case FieldReader::Result::Invalid: return std::nullopt;
        }
    }
    return std::pair{values[0], values[1]};
}

std::string decimal(const PlayerNumber& number)
{
    return number.isEmpty() ? std::string() : std::to_string(number.value());
}

} // namespace

void readSettings(PlayerState& state)
{
    std::optional<std::pair<PlayerNumber, PlayerNumber>> values;
    // The file counts only under exactly this name: on a folder that ignores letter case,
    // opening "muini.dat" could reach "MUINI.DAT", so the folder's own listing decides.
    if (folderListsExactly(state.Pare, kFileName)) {
        if (const auto bytes = readFileHead(filePath(state), kReadLimit + 1))
            values = parseSettings(*bytes);
    }
    if (values) {
        // An empty mode field means no mode was chosen: random, as on a first run.
        state.a1 = values->first.isEmpty() ? kModeRandom : values->first.value();
        state.a2 = values->second;
        if (state.a1 < kModeRandom)
            state.a1 = kModeRandom;
        if (state.a1 > kModeReverse)
            state.a1 = kModeReverse;
    } else {
        state.a1 = kModeRandom;
    }
    state.a3 = state.a2;
}

std::optional<std::string> writeSettings(const PlayerState& state)
{
    return replaceFileContents(filePath(state), decimal(state.a1) + "," + decimal(state.a2) + "\r\n");
}

} // namespace zuvelo
