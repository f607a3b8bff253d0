#include "SettingsRig.h"

// Two fields, each a whole 32-bit number or nothing, the mode clamped to 0..2; anything else counts
// as no file. Rows marked written are what the writer makes of them.
TEST(SettingsFile, readsTwoFieldsOrNothing)
{
    struct Row {
        std::string bytes;
        std::int64_t a1 = 0, a2 = kBefore;
        bool written = false;
    };
    const std::string spaces(4092, ' '); // the read stops after 4,096 bytes
    // clang-format off
    const Row rows[] = {
        {"1,37\r\n", 1, 37, true}, {"0,1\r\n", 0, 1, true}, {"2,\r\n", 2, kEmpty, true}, {"0,-12\r\n", 0, -12, true},
        {"1,2147483647\r\n", 1, 2147483647, true}, {"0,-2147483648\r\n", 0, -2147483648LL, true}, {"2,5", 2, 5},
        {"1\r\n37\r\n", 1, 37}, {"0\n9\n", 0, 9}, {"1\r37\r", 1, 37}, {"  1 ,\t37  \r\n", 1, 37}, {"1,37,9\r\nx", 1, 37},
        {"5,10\r\n", 2, 10}, {"-3,10\r\n", 0, 10}, {"+1,+4\r\n", 1, 4}, {"2,", 2, kEmpty}, {",37\r\n", 0, 37},
        {"  ,37\r\n", 0, 37}, {"1,  \r\n", 1, kEmpty}, {"1,\r\n37\r\n", 1, kEmpty}, {spaces + "1,23", 1, 23},
        {"2,3\r\n" + std::string(1 << 20, 'x'), 2, 3}, {""}, {"\r\n"}, {"1"}, {"1\r\n"}, {"1,abc\r\n"}, {"1x,2\r\n"},
        {"1.5,2\r\n"}, {"1,1e3\r\n"}, {"1,3 7\r\n"}, {"\"1\",\"2\"\r\n"}, {"2147483648,1\r\n"}, {"1,-2147483649\r\n"},
        {"+-1,2\r\n"}, {"-,2\r\n"}, {std::string("1,\0\0", 4)}, {std::string(5000, ' ') + "1,2\r\n"},
        {spaces + " 1,23\r\n"}}; // the last two: values beyond the read, or cut by it
    // clang-format on
    TemporaryFolder pare;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.bytes.substr(0, 30)));
        pare.write("muini.dat", row.bytes);
        EXPECT_EQ(readFrom(pare.path()), Values(row.a1, row.a2));
        EXPECT_TRUE(!row.written ||
                    (!writeSettings(stateIn(pare.path(), row.a1, row.a2)) && pare.read("muini.dat") == row.bytes));
    }
}
