// The command grammar, accepted and rejected commands from one table.

#include "CommandParser.h"

#include "mci/mci.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace zuvelo::mci {
namespace {

struct ParseCase {
    const char* text;
    unsigned long error;
    Verb verb = Verb::Open;
    const char* deviceName = "";
    const char* filePath = "";
    StatusItem statusItem = StatusItem::None;
};

std::ostream& operator<<(std::ostream& out, const ParseCase& row)
{
    return out << '[' << row.text << ']';
}

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, givesTheCommandOrTheError)
{
    const ParseCase& row = GetParam();
    Command command;
    ASSERT_EQ(parseCommand(row.text, command), row.error);
    if (row.error != 0)
        return;
    EXPECT_EQ(command.verb, row.verb);
    EXPECT_EQ(command.deviceName, row.deviceName);
    EXPECT_EQ(command.filePath, row.filePath);
    EXPECT_EQ(command.statusItem, row.statusItem);
    EXPECT_EQ(command.seekToStart, row.verb == Verb::Seek);
}

const ParseCase kAccepted[] = {
    // The player's own commands, both forms of the open verb.
    {"Open \"/m/a b/x.mp3\"", 0, Verb::Open, "\"/m/a b/x.mp3\"", "/m/a b/x.mp3"},
    {"open \"/m/a b/x.mp3\"", 0, Verb::Open, "\"/m/a b/x.mp3\"", "/m/a b/x.mp3"},
    {"play \"/m/x.wav\"", 0, Verb::Play, "\"/m/x.wav\"", "/m/x.wav"},
    {"pause \"/m/x.wav\"", 0, Verb::Pause, "\"/m/x.wav\"", "/m/x.wav"},
    {"stop \"/m/x.wav\"", 0, Verb::Stop, "\"/m/x.wav\"", "/m/x.wav"},
    {"seek \"/m/x.wav\" to start", 0, Verb::Seek, "\"/m/x.wav\"", "/m/x.wav"},
    {"close \"/m/x.wav\"", 0, Verb::Close, "\"/m/x.wav\"", "/m/x.wav"},
    {"status \"/m/x.wav\" mode", 0, Verb::Status, "\"/m/x.wav\"", "/m/x.wav", StatusItem::Mode},
    {"status \"/m/x.wav\" position", 0, Verb::Status, "\"/m/x.wav\"", "/m/x.wav", StatusItem::Position},
    {"status \"/m/x.wav\" length", 0, Verb::Status, "\"/m/x.wav\"", "/m/x.wav", StatusItem::Length},
    {"resume \"/m/x.wav\"", 0, Verb::Resume, "\"/m/x.wav\"", "/m/x.wav"},
    // Letter case of verbs and keywords, runs of blanks, leading and trailing blanks.
    {"STATUS \"/m/x.wav\" MoDe", 0, Verb::Status, "\"/m/x.wav\"", "/m/x.wav", StatusItem::Mode},
    {"  sEEk   \"/m/x.wav\"   TO   Start  ", 0, Verb::Seek, "\"/m/x.wav\"", "/m/x.wav"},
    {"play\t\"/m/x.wav\"\t", 0, Verb::Play, "\"/m/x.wav\"", "/m/x.wav"},
    // The name runs from the first to the last quote: a file name may hold a quote.
    {"play \"/m/say \"hi\".mp3\"", 0, Verb::Play, "\"/m/say \"hi\".mp3\"", "/m/say \"hi\".mp3"},
    {"status \"/m/\"q\".mid\" mode", 0, Verb::Status, "\"/m/\"q\".mid\"", "/m/\"q\".mid", StatusItem::Mode},
    // Multibyte UTF-8 passes untouched and keeps its case.
    {"open \"/音楽/曲 1.MP3\"", 0, Verb::Open, "\"/音楽/曲 1.MP3\"", "/音楽/曲 1.MP3"},
    // An unquoted word names a device too.
    {"play /m/plain.wav", 0, Verb::Play, "/m/plain.wav", "/m/plain.wav"},
    {"status tune mode", 0, Verb::Status, "tune", "tune", StatusItem::Mode},
};

const ParseCase kRejected[] = {
    {"", MCIERR_MISSING_COMMAND_STRING},
    {"   ", MCIERR_MISSING_COMMAND_STRING},
    {"rewind \"/m/x.wav\"", MCIERR_UNRECOGNIZED_COMMAND},
    {"opens \"/m/x.wav\"", MCIERR_UNRECOGNIZED_COMMAND},
    {"play", MCIERR_MISSING_DEVICE_NAME},
    {"play   ", MCIERR_MISSING_DEVICE_NAME},
    {"play \"\"", MCIERR_MISSING_DEVICE_NAME},
    {"play \"/m/x.wav", MCIERR_NO_CLOSING_QUOTE},
    {"status \"/m/x.wav", MCIERR_NO_CLOSING_QUOTE},
    {"status \"/m/x.wav\"", MCIERR_MISSING_PARAMETER},
    {"status \"/m/x.wav\" volume", MCIERR_UNRECOGNIZED_KEYWORD},
    {"status \"/m/x.wav\" mode position", MCIERR_UNRECOGNIZED_KEYWORD},
    {"seek \"/m/x.wav\"", MCIERR_MISSING_PARAMETER},
    {"seek \"/m/x.wav\" to", MCIERR_MISSING_PARAMETER},
    {"seek \"/m/x.wav\" to end", MCIERR_UNRECOGNIZED_KEYWORD},
    {"seek \"/m/x.wav\" to start start", MCIERR_UNRECOGNIZED_KEYWORD},
    {"play \"/m/x.wav\" mode", MCIERR_UNRECOGNIZED_KEYWORD},
    {"play \"/m/x.wav\" fast", MCIERR_UNRECOGNIZED_KEYWORD},
    {"open \"/m/x.wav\" alias x", MCIERR_UNRECOGNIZED_KEYWORD},
    {"close \"/m/x.wav\" to start", MCIERR_UNRECOGNIZED_KEYWORD},
};

INSTANTIATE_TEST_SUITE_P(Accepted, ParseTable, ::testing::ValuesIn(kAccepted));
INSTANTIATE_TEST_SUITE_P(Rejected, ParseTable, ::testing::ValuesIn(kRejected));

// Arbitrary text, heavy in the grammar's own characters: the parser answers every string with a
// known code, and whatever it accepts names a device that is a non-empty part of the text.
TEST(ParseArbitraryText, givesAKnownCodeForEveryString)
{
    const std::set<unsigned long> known{0,
                                        MCIERR_UNRECOGNIZED_KEYWORD,
                                        MCIERR_UNRECOGNIZED_COMMAND,
                                        MCIERR_MISSING_COMMAND_STRING,
                                        MCIERR_MISSING_PARAMETER,
                                        MCIERR_MISSING_DEVICE_NAME,
                                        MCIERR_NO_CLOSING_QUOTE};
    const std::string alphabet = "  \"\"\t\xe6\x9b\xb2"
                                 "aeiopstxyz.PLAYmodeStatusSEEKto";
    const char* verbs[] = {"open ", "play ", "status ", "seek ", "", "stop"};
    std::mt19937 generator(1206);
    for (int i = 0; i < 20000; ++i) {
        std::string text = verbs[generator() % 6];
        const std::size_t length = generator() % 24;
        for (std::size_t j = 0; j < length; ++j)
            text += alphabet[generator() % alphabet.size()];
        Command command;
        const unsigned long error = parseCommand(text, command);
        ASSERT_TRUE(known.count(error)) << text << " gave " << error;
        if (error == 0) {
            ASSERT_FALSE(command.deviceName.empty()) << text;
            ASSERT_NE(text.find(command.deviceName), std::string::npos) << text;
        }
    }
}

} // namespace
} // namespace zuvelo::mci
