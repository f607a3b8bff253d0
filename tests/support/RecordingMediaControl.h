#pragma once

#include "player/MediaControl.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zuvelo::testing {

// A stand-in for the media layer that remembers everything the player sends and answers as a test
// tells it to. Single-threaded, like the real seam.
//
// Replies: a "status <device> mode" query answers with the text set by setMode() ("playing",
// "paused", "stopped", ...), or fails with the code set by failStatusWith() and an empty reply.
// Every other command succeeds with an empty reply unless failCommandsWith() (all of them) or
// failCommand() (one exact text) chose an error code. Replies keep the seam's
// contract (MediaControl.h): emptied on entry, a reply that does not fit fails with
// MediaError::kReplyTooLong; nothing is written when the capacity is 0 or the buffer is null.
//
//   RecordingMediaControl media;
//   media.setMode("playing");
//   ... run the handler with &media ...
//   EXPECT_EQ(media.commands(), (std::vector<std::string>{"status \"/x/a.mp3\" mode"}));
class RecordingMediaControl : public zuvelo::MediaControl {
public:
    // One call as the player made it.
    struct Call {
        std::string command;           // the command text, exactly as sent
        unsigned replyCapacity = 0;    // the capacity passed with it
        bool replyBufferGiven = false; // whether the reply pointer was non-null
        unsigned long result = 0;      // what the fake answered
    };

    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override;

    // What status queries answer from now on; "stopped" at first.
    void setMode(std::string mode);
    // Makes status queries fail with this code (e.g. MediaError::kNameNotOpen) and an empty
    // reply; 0 returns to answering with the mode text.
    void failStatusWith(unsigned long code);
    // Makes every command other than status queries fail with this code; 0 ends it.
    void failCommandsWith(unsigned long code);
    // Makes the command with exactly this text fail with this code; 0 ends it. Takes precedence
    // over failCommandsWith() and failStatusWith().
    void failCommand(const std::string& command, unsigned long code);

    // Every call in order, and just their texts.
    const std::vector<Call>& calls() const { return m_calls; }
    std::vector<std::string> commands() const;
    // Texts sent other than status queries: what the player did rather than asked.
    std::vector<std::string> actions() const;
    // How many times this exact text was sent.
    int count(const std::string& command) const;
    // Forgets the recorded calls; the configured answers stay.
    void clearCalls() { m_calls.clear(); }

    // True for a "status ... mode" query.
    static bool isStatusQuery(const std::string& command);

private:
    std::vector<Call> m_calls;
    std::string m_mode = "stopped";
    unsigned long m_statusError = 0;
    unsigned long m_commandError = 0;
    std::map<std::string, unsigned long> m_commandErrors;
};

} // namespace zuvelo::testing
