// The real player (its window, handlers, monitor and media layer) with a timer that presses its
// buttons, picks menu items and moves its controls at random, the way a restless user would, until
// a given number of track changes. Prints resident memory and open descriptors after the first
// changes and at the end, and the sound output's underruns.
//
// Usage: zuvelo_soak_player FOLDER [CHANGES [BASELINE [SEED]]]
//   FOLDER: a program folder whose subfolders hold the tracks; CHANGES: 2000; BASELINE: 100.
// Run it on Qt's offscreen platform; SDL_AUDIODRIVER chooses the sound output as for the program.
#include "app/MciMediaControl.h"
#include "app/PlayerApp.h"
#include "app/EventYield.h"
#include "mci/Diagnostics.h"
#include "mci/mci.h"
#include "ui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

// Resident memory in KB, from /proc/self/status.
long vmRssKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Open descriptors of this process, less the listing's own.
int openDescriptors()
{
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})) - 1;
}

// The media seam over the real layer, counting the monitor's opens: one per track change.
class CountingMedia : public zuvelo::MediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override
    {
        if (std::string_view(command).starts_with("Open "))
            ++changes;
        return m_real.sendString(command, reply, replyCapacity);
    }
    long changes = 0;

private:
    zuvelo::MciMediaControl m_real;
};

struct Figures {
    long changes = 0;
    long residentKb = 0;
    int descriptors = 0;
    unsigned long long underruns = 0;

    static Figures now(long changes) { return {changes, vmRssKb(), openDescriptors(), mciUnderrunCount()}; }
    void print() const
    {
        std::printf("after %ld changes: rss %ld KB, descriptors %d, underruns %llu\n", changes, residentKb, descriptors,
                    underruns);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [CHANGES [BASELINE [SEED]]]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const long target = argc > 2 ? std::atol(argv[2]) : 2000;
    const long baselineAt = argc > 3 ? std::atol(argv[3]) : 100;
    std::mt19937 random(argc > 4 ? static_cast<unsigned>(std::atol(argv[4])) : 1u);

    QApplication app(argc, argv);
    mciSetSoundFontFolder(folder.c_str());
    CountingMedia media;
    zuvelo::PlayerApp player(folder, media, zuvelo::EventYield{});
    if (!player.load())
        return 1;
    zuvelo::Form1& form = player.window();
    form.show();
    // The controls found by their objectName, as a user's tools find them.
    const auto click = [&](const char* button) { form.findChild<QPushButton*>(button)->click(); };
    auto* scrollBar = form.findChild<QScrollBar*>("HScroll1");

    Figures baseline, end;
    long actions = 0;
    bool paused = false;
    QTimer clicker;
    unsigned long long underrunsSeen = 0;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        // Where an underrun happened: the track playing (or just left) when the count grew.
        if (const unsigned long long now = mciUnderrunCount(); now != underrunsSeen) {
            std::printf("underrun near change %ld, track %s\n", media.changes, player.state().SoundFile.c_str());
            std::fflush(stdout);
            underrunsSeen = now;
        }
        if (baseline.changes == 0 && media.changes >= baselineAt)
            baseline = Figures::now(media.changes);
        if (media.changes >= target) {
            clicker.stop();
            end = Figures::now(media.changes);
            form.close(); // the real shut-down: stop, close, write the settings, end the loop
            return;
        }
        ++actions;
        if (paused) { // never leave it paused for long: play resumes it
            click("Command5");
            paused = false;
        } else if (const int roll = static_cast<int>(random() % 100); roll < 30) {
            // nothing: let the track end by itself
        } else if (roll < 50) {
            click("Command1"); // next
        } else if (roll < 58) {
            click("Command3"); // previous
        } else if (roll < 66) {
            click("Command2"); // restart
        } else if (roll < 74) {
            click("Command4"); // pause
            paused = true;
        } else if (roll < 78) {
            click("Command5"); // play
        } else if (roll < 86) {
            form.findChild<QAction*>(std::array{"ra", "jun", "gya"}[random() % 3])->trigger();
        } else if (roll < 93) {
            form.findChild<QComboBox*>("Combo1")->setCurrentIndex(static_cast<int>(random() % 3));
        } else {
            scrollBar->setValue(
                1 + static_cast<int>(random() % static_cast<unsigned>(std::max(scrollBar->maximum(), 1))));
        }
        clicker.setInterval(60 + static_cast<int>(random() % 200));
    });
    clicker.start(100);
    const int status = app.exec();

    std::printf("driver %s\nchanges %ld actions %ld\n", mciOutputDriverName(), end.changes, actions);
    baseline.print();
    end.print();
    std::printf("growth: rss %+ld KB, descriptors %+d, underruns %llu\n", end.residentKb - baseline.residentKb,
                end.descriptors - baseline.descriptors, end.underruns);
    const bool within = end.residentKb - baseline.residentKb <= 5 * 1024 &&
                        end.descriptors - baseline.descriptors <= 5 && end.underruns == 0;
    std::printf("%s\n", within ? "PASS: within 5 MB and 5 descriptors, no underrun" : "FAIL");
    return status != 0 ? status : (within ? 0 : 1);
}
