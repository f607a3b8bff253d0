// The handlers over the real media layer on SDL's dummy driver. Walking the library with ">>",
// every good track opens, its name carried intact whatever it holds, and every damaged one (of
// every format, in shapes the layer cannot open) is passed over, as the recording fake assumes.
#include "HandlerRig.h"
#include "MediaCorpus.h"
#include "TemporaryFolder.h"

#include "app/MciMediaControl.h"
#include "handlers/Startup.h"

#include <gtest/gtest.h>

#include <set>

namespace zuvelo::testing {

TEST(RealMedia, damagedFilesOfEveryFormatArePassedOver_andOddNamesReachTheLayerIntact)
{
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    MciMediaControl mci;
    HandlerRig rig;
    rig.media.forwardTo = &mci;
    TemporaryFolder folder, scratch;
    folder.makeFolder("M");
    std::set<std::string> good, bad;
    for (const std::string name : {"with \"quotes\" inside.wav", "seek to start play.mid", "x\" mode.wav",
                                   "\xff\xfe not utf-8 \xe9.wav", "new\nline.mid", "  blanks  .wav"}) {
        good.insert("\"" + (folder / ("M/" + name)) + "\"");
        MediaCorpus::write(folder / ("M/" + name),
                           MediaCorpus::tone(name.substr(name.size() - 3), 440, 0.3, scratch.path()));
    }
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        const std::string path = folder / ("M/damaged." + kFormats[i]);
        bad.insert("\"" + path + "\"");
        MediaCorpus::write(
            path, i % 3 == 0   ? std::vector<std::uint8_t>{}
                  : i % 3 == 1 ? MediaCorpus::randomBytes(4096, 7)
                               : MediaCorpus::truncated(MediaCorpus::silence(kFormats[i], 0.3, scratch.path()), 16));
    }
    folder.write("muini.dat", "1,0\r\n"); // in order from the first
    formLoad(rig.ctx, folder.path());
    for (int i = 0; i < rig.state.nmax; ++i) {
        rig.click("Command1");
        rig.tick();
    }
    std::set<std::string> opened, failed;
    for (std::size_t i = 0; i < rig.media.commands.size(); ++i)
        if (rig.media.commands[i].starts_with("Open "))
            (rig.media.results[i] == 0 ? opened : failed).insert(rig.media.commands[i].substr(5));
    EXPECT_EQ(opened, good);
    EXPECT_EQ(failed, bad);
    rig.form.close();
}

} // namespace zuvelo::testing
