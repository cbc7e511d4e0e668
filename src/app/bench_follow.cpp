#include "app/bench_follow.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "load/file_follow.h"
#include "load/load_driver.h"
#include "load/reload_scan.h"
#include "text/text_store.h"

namespace tessel {

namespace {

using Clock = std::chrono::steady_clock;

// Writes the log in batches every 10 ms, as a busy service does, until `seconds` are up.
void writeLog(const std::string& path, int linesPerSecond, int seconds, std::atomic<int>& written) {
    FILE* log = std::fopen(path.c_str(), "ab");
    if (!log) return;
    const int perBatch = std::max(1, linesPerSecond / 100);
    const auto start = Clock::now();
    for (int batch = 0; batch < seconds * 100; ++batch) {
        for (int i = 0; i < perBatch; ++i) {
            std::fprintf(log,
                         "2026-12-09 10:00:%02d.%03d INFO worker-%d request %d served in %d ms\n",
                         batch / 100 % 60, batch % 100 * 10, i % 8, batch * perBatch + i, i % 97);
        }
        std::fflush(log);
        written.fetch_add(perBatch);
        std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (batch + 1)));
    }
    std::fclose(log);
}

}  // namespace

int64_t threadCpuMicros() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * int64_t{1000000} +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

int benchFollow(TextStore& store, int linesPerSecond, int seconds) {
    std::string folder = (std::filesystem::temp_directory_path() / "tessel-follow-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::fprintf(stderr, "tessel-bench: no temporary folder for the follow figure\n");
        return 9;
    }
    const std::string path = folder + "/app.log";
    if (FILE* log = std::fopen(path.c_str(), "wb")) {
        std::fputs("service started\n", log);
        std::fclose(log);
    }
    int rc = loadDriver().load(path.c_str(), kLoadSingleFile | kLoadAppend);
    TextBlock* block = store.blockByName(path.c_str());
    FollowState state;
    if (rc != 0 || !block || startFollowing(*block, state) != 0) {
        std::fprintf(stderr, "tessel-bench: the log to follow did not load (rc %d)\n", rc);
        std::filesystem::remove_all(folder);
        return 9;
    }

    // This thread stands for the user interface thread: it looks at the file at the follow
    // timer's default delay, and once more after the writer stopped.
    std::atomic<int> written{0};
    std::thread writer(writeLog, path, linesPerSecond, seconds, std::ref(written));
    int taken = 0;
    int looks = 0;
    int behindMax = 0;
    int64_t lookUsTotal = 0;
    int64_t lookUsMax = 0;
    int64_t lookCpuUsTotal = 0;
    const auto look = [&] {
        block = store.blockByName(path.c_str());
        if (!block) return;
        int added = 0;
        const int64_t cpuStart = threadCpuMicros();
        const auto start = Clock::now();
        followOnce(store, *block, state, reloadScanner(), added);
        const int64_t us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        lookCpuUsTotal += threadCpuMicros() - cpuStart;
        lookUsTotal += us;
        lookUsMax = std::max(lookUsMax, us);
        taken += added;
        ++looks;
        behindMax = std::max(behindMax, written.load() - taken);
    };
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kFollowDefaultDelayMs));
        look();
    }
    writer.join();
    look();
    std::printf(
        "follow rate=%d seconds=%d written=%d taken=%d looks=%d behind_max=%d "
        "look_ms_avg=%.2f look_ms_max=%.2f look_cpu_ms_avg=%.2f\n",
        linesPerSecond, seconds, written.load(), taken, looks, behindMax,
        static_cast<double>(lookUsTotal) / 1000.0 / std::max(1, looks),
        static_cast<double>(lookUsMax) / 1000.0,
        static_cast<double>(lookCpuUsTotal) / 1000.0 / std::max(1, looks));
    std::fflush(stdout);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (taken != written.load()) {
        std::fprintf(stderr, "tessel-bench: the followed text lost %d lines\n",
                     written.load() - taken);
        return 9;
    }
    return 0;
}

}  // namespace tessel
