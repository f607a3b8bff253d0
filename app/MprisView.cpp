#include "MprisView.h"

#include "handlers/MediaSend.h"

#include <charconv>

namespace zuvelo {
namespace {

// The layer's answer to a "status ... length" or "... position" query in microseconds.
std::optional<std::int64_t> queryMicroseconds(MediaControl& media, const std::string& command)
{
    ReplyField reply;
    if (sendCommand(media, command, reply) != 0)
        return std::nullopt;
    const std::string text = reply.text();
    std::int64_t milliseconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || milliseconds < 0)
        return std::nullopt;
    return milliseconds * 1000;
}

MprisView::Status statusOf(const std::string& reply, bool pausedByButton)
{
    if (reply.starts_with("playing"))
        return MprisView::Status::Playing;
    // A MIDI track is paused by stopping it; b1 says the user paused it.
    if (reply.starts_with("paused") || pausedByButton)
        return MprisView::Status::Paused;
    return MprisView::Status::Stopped;
}

} // namespace

std::string fileUriOf(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

MprisView readMprisView(PlayerContext& ctx, const MprisView& before)
{
    const PlayerState& s = ctx.state;
    MprisView view = before;
    view.hasTrack = s.nmax >= 1;
    view.shuffle = s.a1 == kModeRandom;
    const bool newDevice = s.SoundFile != before.device;
    if (newDevice) {
        view.device = s.SoundFile;
        view.trackNumber = 0;
        view.fileUri.clear();
        view.title.clear();
        view.album.clear();
        view.lengthMicroseconds.reset();
        if (view.hasTrack && s.a3 >= 1 && s.a3 <= s.nmax) {
            view.trackNumber = s.a3;
            // FileList entries are "/" subfolder "/" name.
            const std::string entry = trackEntry(s, s.a3.value());
            const std::size_t slash = entry.rfind('/');
            const std::size_t folderSlash =
                slash == 0 || slash == std::string::npos ? std::string::npos : entry.rfind('/', slash - 1);
            view.fileUri = fileUriOf(s.Pare + entry);
            view.title = slash == std::string::npos ? entry : entry.substr(slash + 1);
            view.album = folderSlash == std::string::npos ? std::string()
                                                          : entry.substr(folderSlash + 1, slash - folderSlash - 1);
            view.lengthMicroseconds = queryMicroseconds(ctx.media, statusLengthCommand(s.SoundFile));
        }
    }
    const bool pausedByButton = s.b1 == 1;
    if (newDevice || (ctx.lastStatusReply.starts_with("stopped") && !pausedByButton)) {
        view.status = readPlayStatus(ctx);
    } else {
        view.status = statusOf(ctx.lastStatusReply, pausedByButton);
    }
    if (!view.hasTrack)
        view.status = MprisView::Status::Stopped;
    return view;
}

MprisView::Status readPlayStatus(PlayerContext& ctx)
{
    ReplyField reply;
    sendCommand(ctx.media, statusModeCommand(ctx.state.SoundFile), reply);
    return statusOf(reply.text(), ctx.state.b1 == 1);
}

std::int64_t readPositionMicroseconds(PlayerContext& ctx)
{
    if (ctx.state.nmax < 1)
        return 0;
    return queryMicroseconds(ctx.media, statusPositionCommand(ctx.state.SoundFile)).value_or(0);
}

} // namespace zuvelo
