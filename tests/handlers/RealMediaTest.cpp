// The handlers on the real media layer (SDL's dummy driver): walking the library with ">>", every
// good track opens whatever its name holds, every damaged one is passed over as the fake assumes.
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
    std::set<std::string> opened, failed, good, bad;
    for (const std::string name : {"with \"quotes\" inside.wav", "seek to start play.mid", "x\" mode.wav",
                                   "\xff\xfe not utf-8 \xe9.wav", "new\nline.mid", "  blanks  .wav"}) {
        MediaCorpus::write(folder / ("M/" + name),
                           MediaCorpus::tone(name.substr(name.size() - 3), 440, 0.3, scratch.path()));
        good.insert("\"" + (folder / ("M/" + name)) + "\"");
    }
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        MediaCorpus::write(folder / ("M/damaged." + kFormats[i]), MediaCorpus::randomBytes(i % 2 * 4096, 7));
        bad.insert("\"" + (folder / ("M/damaged." + kFormats[i])) + "\"");
    }
    folder.write("muini.dat", "1,0\r\n"); // in order from the first
    formLoad(rig.ctx, folder.path());
    for (int i = 0; i < rig.state.nmax; ++i) {
        rig.click("Command1");
        rig.tick();
    }
    for (std::size_t i = 0; i < rig.media.commands.size(); ++i)
        if (rig.media.commands[i].starts_with("Open "))
            (rig.media.results[i] == 0 ? opened : failed).insert(rig.media.commands[i].substr(5));
    EXPECT_EQ(opened, good);
    EXPECT_EQ(failed, bad);
    rig.form.close();
}

} // namespace zuvelo::testing
