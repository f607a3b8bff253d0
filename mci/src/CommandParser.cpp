#include "CommandParser.h"

#include "mci/mci.h"

#include <array>
#include <vector>

namespace zuvelo::mci {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Splits text into blank-separated words.
std::vector<std::string_view> splitWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

struct VerbRow {
    std::string_view word;
    Verb verb;
};

// One row a verb.
constexpr std::array kVerbs{
    VerbRow{"open", Verb::Open},     VerbRow{"play", Verb::Play},     VerbRow{"pause", Verb::Pause},
    VerbRow{"resume", Verb::Resume}, VerbRow{"stop", Verb::Stop},     VerbRow{"seek", Verb::Seek},
    VerbRow{"close", Verb::Close},   VerbRow{"status", Verb::Status},
};

// What a keyword does to the command; the argument, when the row takes one, is the next word.
enum class KeywordEffect { StatusMode, StatusPosition, StatusLength, SeekTo };

struct KeywordRow {
    Verb verb;
    std::string_view keyword;
    KeywordEffect effect;
};

// One row a keyword a verb accepts; any other keyword is rejected.
constexpr std::array kKeywords{
    KeywordRow{Verb::Status, "mode", KeywordEffect::StatusMode},
    KeywordRow{Verb::Status, "position", KeywordEffect::StatusPosition},
    KeywordRow{Verb::Status, "length", KeywordEffect::StatusLength},
    KeywordRow{Verb::Seek, "to", KeywordEffect::SeekTo},
};

const KeywordRow* findKeyword(Verb verb, std::string_view word)
{
    for (const KeywordRow& row : kKeywords) {
        if (row.verb == verb && equalsIgnoringCase(row.keyword, word))
            return &row;
    }
    return nullptr;
}

unsigned long setStatusItem(Command& command, StatusItem item)
{
    // One item a query: the reply holds a single value.
    if (command.statusItem != StatusItem::None)
        return MCIERR_UNRECOGNIZED_KEYWORD;
    command.statusItem = item;
    return 0;
}

// Applies the keywords after the device name.
unsigned long applyKeywords(const std::vector<std::string_view>& words, Command& command)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const KeywordRow* row = findKeyword(command.verb, words[i]);
        if (row == nullptr)
            return MCIERR_UNRECOGNIZED_KEYWORD;
        unsigned long error = 0;
        switch (row->effect) {
        case KeywordEffect::StatusMode: error = setStatusItem(command, StatusItem::Mode); break;
        case KeywordEffect::StatusPosition: error = setStatusItem(command, StatusItem::Position); break;
        case KeywordEffect::StatusLength: error = setStatusItem(command, StatusItem::Length); break;
        case KeywordEffect::SeekTo:
            if (i + 1 >= words.size())
                return MCIERR_MISSING_PARAMETER;
            ++i;
            if (!equalsIgnoringCase(words[i], "start") || command.seekToStart)
                return MCIERR_UNRECOGNIZED_KEYWORD;
            command.seekToStart = true;
            break;
        }
        if (error != 0)
            return error;
    }
    if (command.verb == Verb::Status && command.statusItem == StatusItem::None)
        return MCIERR_MISSING_PARAMETER;
    if (command.verb == Verb::Seek && !command.seekToStart)
        return MCIERR_MISSING_PARAMETER;
    return 0;
}

} // namespace

unsigned long parseCommand(std::string_view text, Command& command)
{
    command = Command{};
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    std::size_t verbEnd = i;
    while (verbEnd < text.size() && !isBlank(text[verbEnd]))
        ++verbEnd;
    if (verbEnd == i)
        return MCIERR_MISSING_COMMAND_STRING;

    const std::string_view verbWord = text.substr(i, verbEnd - i);
    const VerbRow* verbRow = nullptr;
    for (const VerbRow& row : kVerbs) {
        if (equalsIgnoringCase(row.word, verbWord))
            verbRow = &row;
    }
    if (verbRow == nullptr)
        return MCIERR_UNRECOGNIZED_COMMAND;
    command.verb = verbRow->verb;

    std::size_t nameStart = verbEnd;
    while (nameStart < text.size() && isBlank(text[nameStart]))
        ++nameStart;
    if (nameStart == text.size())
        return MCIERR_MISSING_DEVICE_NAME;

    std::size_t rest = 0;
    if (text[nameStart] == '"') {
        const std::size_t closing = text.rfind('"');
        if (closing == nameStart)
            return MCIERR_NO_CLOSING_QUOTE;
        if (closing == nameStart + 1)
            return MCIERR_MISSING_DEVICE_NAME; // ""
        command.deviceName = std::string(text.substr(nameStart, closing + 1 - nameStart));
        command.filePath = std::string(text.substr(nameStart + 1, closing - nameStart - 1));
        rest = closing + 1;
    } else {
        std::size_t nameEnd = nameStart;
        while (nameEnd < text.size() && !isBlank(text[nameEnd]))
            ++nameEnd;
        command.deviceName = std::string(text.substr(nameStart, nameEnd - nameStart));
        command.filePath = command.deviceName;
        rest = nameEnd;
    }
    return applyKeywords(splitWords(text.substr(rest)), command);
}

} // namespace zuvelo::mci
