// Measures the folder scan over a generated tree of 1,000 subfolders x 60 files (50,000 tracks,
// 10,000 other files), warm cache, against a bare std::filesystem walk of the same tree in the
// same run:
//   (c) the bare walk, the reference;
//   (a) the scan (natural order sort of every folder included) with a yield that does nothing;
//   (b) the scan inside a running Qt event loop (a 100 ms timer armed) with EventYield;
//   (p) the same with plain QCoreApplication::processEvents() after every file, for comparison.
// Prints microseconds per file (median of the rounds) and the ratios a/c, b/c and p/c.
// Usage: zuvelo_scan_bench [rounds] [folder to build the tree in]

#include "app/EventYield.h"
#include "library/FolderScan.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFolders = 1000;
constexpr int kTracksPerFolder = 50;
constexpr int kOthersPerFolder = 10;
constexpr int kFiles = kFolders * (kTracksPerFolder + kOthersPerFolder);

void buildTree(const std::string& root)
{
    for (int d = 0; d < kFolders; ++d) {
        const std::string folder = root + "/Album " + std::to_string(d);
        fs::create_directories(folder);
        for (int f = 0; f < kTracksPerFolder + kOthersPerFolder; ++f) {
            const std::string name = folder + "/" + std::to_string(f) + " Track title" +
                                     (f < kTracksPerFolder ? (f % 2 ? ".mp3" : ".WAV") : ".jpg");
            if (!std::ofstream(name)) {
                std::perror(name.c_str());
                std::exit(1);
            }
        }
    }
}

// The reference: every regular file of every first-level subfolder, nothing else done.
long bareWalk(const std::string& root)
{
    long files = 0;
    for (const auto& folder : fs::directory_iterator(root))
        if (folder.is_directory())
            for (const auto& file : fs::directory_iterator(folder.path()))
                if (file.is_regular_file())
                    ++files;
    return files;
}

double microsecondsPerFile(Clock::duration elapsed)
{
    return std::chrono::duration<double, std::micro>(elapsed).count() / kFiles;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One scan with this yield, in microseconds per file; aborts on a wrong result so that a fast wrong
// scan cannot pass.
double timeScan(const std::string& root, const std::function<void()>& yield)
{
    zuvelo::PlayerState state;
    state.Pare = root;
    const auto start = Clock::now();
    zuvelo::scanFolders(state, yield);
    const double micros = microsecondsPerFile(Clock::now() - start);
    if (state.nmax != kFolders * kTracksPerFolder) {
        std::fprintf(stderr, "scan found %lld tracks\n", static_cast<long long>(state.nmax.value()));
        std::exit(1);
    }
    return micros;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::string base = argc > 2 ? argv[2] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::string root = base + "/zuvelo-scan-bench-XXXXXX";
    if (::mkdtemp(root.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }

    std::printf("building %d folders x %d files in %s\n", kFolders, kTracksPerFolder + kOthersPerFolder, root.c_str());
    buildTree(root);

    int ticks = 0;
    QTimer monitor; // stands in for the player's 100 ms playback monitor
    QObject::connect(&monitor, &QTimer::timeout, [&] { ++ticks; });
    monitor.start(100);

    std::vector<double> walk, noop, eventYield, processEvents;
    int eventYieldTicks = 0; // timer ticks delivered inside EventYield: the monitor keeps running
    QTimer::singleShot(0, [&] {
        bareWalk(root); // warm the cache (directory entries and inodes) before anything is timed
        timeScan(root, [] {});
        // Interleaved rounds, so that drifts of the machine's speed hit every variant alike.
        for (int round = 0; round < rounds; ++round) {
            const auto start = Clock::now();
            const long files = bareWalk(root);
            walk.push_back(microsecondsPerFile(Clock::now() - start));
            if (files != kFiles) {
                std::fprintf(stderr, "walk found %ld files\n", files);
                std::exit(1);
            }
            noop.push_back(timeScan(root, [] {}));
            const int ticksBefore = ticks;
            eventYield.push_back(timeScan(root, zuvelo::EventYield{}));
            eventYieldTicks += ticks - ticksBefore;
            processEvents.push_back(timeScan(root, [] { QCoreApplication::processEvents(); }));
        }
        app.quit();
    });
    app.exec();

    const double c = median(walk), a = median(noop), b = median(eventYield), p = median(processEvents);
    std::printf("rounds %d, %d files each, medians in us per file\n", rounds, kFiles);
    std::printf("(c) bare std::filesystem walk          %6.3f\n", c);
    std::printf("(a) scan, no-op yield                  %6.3f   a/c = %.2f\n", a, a / c);
    std::printf("(b) scan, EventYield in event loop     %6.3f   b/c = %.2f\n", b, b / c);
    std::printf("(p) scan, processEvents() every file   %6.3f   p/c = %.2f\n", p, p / c);
    const double yieldSeconds = b * kFiles * rounds / 1e6;
    // Ticks that fell due while the other variants ran without yielding arrive at the first full
    // pass of the next EventYield scan, so the count can exceed the scans' own time / 100 ms.
    std::printf("100 ms timer ticks delivered inside the EventYield scans (%.2f s in all): %d\n", yieldSeconds,
                eventYieldTicks);

    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
