// The handlers over the real media layer on SDL's dummy driver: what the recording fake stands in
// for, with damaged files of every format and names the command strings must carry intact.
#include "HandlerRig.h"
#include "MediaCorpus.h"
#include "TemporaryFolder.h"

#include "app/MciMediaControl.h"
#include "handlers/Startup.h"

#include <gtest/gtest.h>

#include <set>

namespace zuvelo::testing {
namespace {

// Walking the library with ">>", every good track opens and every damaged one (a shape the layer
// cannot open) is passed over: its status query says it is not open, as the fake says.
TEST(RealMedia, damagedFilesOfEveryFormatArePassedOver_andOddNamesReachTheLayerIntact)
{
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    MciMediaControl mci;
    HandlerRig rig;
    rig.media.forwardTo = &mci;
    TemporaryFolder folder, scratch;
    folder.makeFolder("M");
    std::set<std::string> good, bad;
    const auto wav = MediaCorpus::tone("wav", 440, 0.3, scratch.path());
    for (const std::string& name : std::vector<std::string>{
             "with \"quotes\" inside.wav", "seek to start play.wav", "x\" mode.wav", "\xff\xfe not utf-8 \xe9.wav",
             "new\nline.wav", "  blanks  .wav", std::string(251, 'n') + ".wav", "-dash & semicolon;.mid"}) {
        MediaCorpus::write(folder / ("M/" + name),
                           name.ends_with("mid") ? MediaCorpus::tone("mid", 440, 0.3, scratch.path()) : wav);
        good.insert("\"" + (folder / ("M/" + name)) + "\"");
    }
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        const std::string path = folder / ("M/damaged." + kFormats[i]);
        const std::vector<std::vector<std::uint8_t>> shapes = {
            {},
            MediaCorpus::randomBytes(4096, 7),
            MediaCorpus::truncated(MediaCorpus::silence(kFormats[i], 0.3, scratch.path()), 16)};
        MediaCorpus::write(path, shapes[i % shapes.size()]);
        bad.insert("\"" + path + "\"");
    }
    folder.write("muini.dat", "1,0\r\n"); // in order from the first
    formLoad(rig.ctx, folder.path());
    ASSERT_EQ(rig.state.nmax.value(), static_cast<int>(good.size() + bad.size()));
    for (int i = 0; i < rig.state.nmax; ++i) {
        rig.handlers.command1Click();
        rig.tick();
    }
    std::set<std::string> opened, failed;
    for (const auto& call : rig.media.calls)
        if (call.command.starts_with("Open "))
            (call.result == 0 ? opened : failed).insert(call.command.substr(5));
    EXPECT_EQ(opened, good);
    EXPECT_EQ(failed, bad);
    rig.handlers.formUnload();
}

} // namespace
} // namespace zuvelo::testing
