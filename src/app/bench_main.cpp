// tessel-bench: loads a folder tree and times search passes and filtered views over it, the
// figures behind the hot paths. Run by hand on a page-cached tree (bench/make_corpus.sh builds
// one).
//
//   tessel-bench [options] DIR MASK...
//     -threads N   search workers (default: one per core)
//     -case        case-sensitive      -noaccent  ignore accents   -nopunct  ignore punctuation
//     -noseq       no word sequence    -noops     operators are text
//     -plain       test every line through the line test, without the buffer scan
//     -lines       load line by line through the line reader instead of whole files
//     -digest      print a hash of the loaded store (text, line starts and masks)
//     -bookmarks N load a set of N bookmarks (at most 95), each placed again by a local search
//     -code N      the code page of the text: 1252 (default), another 8-bit one, or utf8
//     -follow N    follow a log that grows by N lines a second for 5 seconds
//
//   tessel-bench -syntax FILE   syntax colours of every 60-row screen of one source file
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/bench_follow.h"
#include "app/tessel_config_env.h"
#include "base/codepage/code_page_tables.h"
#include "base/log/message_log.h"
#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_list.h"
#include "config/config_file.h"
#include "load/file_stat_worker.h"
#include "load/load_driver.h"
#include "load/reload_scan.h"
#include "search/search_pass.h"
#include "search/search_state.h"
#include "search/syntax_classify.h"
#include "text/file_kind.h"
#include "text/text_store.h"
#include "text/utf8_decoder.h"
#include "view/filter_view.h"
#include "view/screen_builder.h"
#include "view/syntax_rows.h"
#include "view/view.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

long residentMb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
    }
    std::fclose(status);
    return kb / 1024;
}

// A "NAME: N kB" figure of a /proc file (or "NAME N" with vmstat's layout), in kB.
long procFigure(const char* path, const char* name) {
    FILE* file = std::fopen(path, "r");
    if (!file) return 0;
    char line[256];
    long value = 0;
    size_t length = std::strlen(name);
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, name, length) == 0 && (line[length] == ':' || line[length] == ' ')) {
            value = std::atol(line + length + 1);
            break;
        }
    }
    std::fclose(file);
    return value;
}

// A hash of everything a load leaves in the store: every block's name, text, line starts and
// line masks. Two loads that must give the same store (read ahead or not, before and after a
// change of the loader) print the same digest.
uint64_t storeDigest(const tessel::TextStore& store) {
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const void* data, size_t length) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < length; ++i) {
            hash ^= bytes[i];
            hash *= 1099511628211ull;
        }
    };
    for (int b = 0; b < store.blockCount; ++b) {
        const tessel::TextBlock& block = *store.blocks[b];
        if (block.fileName) mix(block.fileName, std::strlen(block.fileName) + 1);
        if (block.text) mix(block.text, static_cast<size_t>(block.usedBytes));
        size_t slots = static_cast<size_t>(block.lineCount) * sizeof(uint32_t);
        if (block.lineArrays.starts) mix(block.lineArrays.starts, slots);
        if (block.lineArrays.masks) mix(block.lineArrays.masks, slots);
    }
    return hash;
}

// User or system processor time of the whole process so far.
int64_t cpuMs(bool system) {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    const timeval& t = system ? usage.ru_stime : usage.ru_utime;
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_usec / 1000;
}

struct Options {
    int threads = 0;
    bool caseSensitive = false;
    bool accentSensitive = true;
    bool punctSensitive = true;
    bool sequence = true;
    bool operators = true;
    bool plain = false;
    bool lineByLine = false;
    bool digest = false;
    bool reload = false;
    int readAhead = -1;
    int bookmarks = 0;
    int followRate = 0;
    int codePage = 1252;
    const char* dir = nullptr;
    std::vector<const char*> masks;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "-threads") && i + 1 < argc) {
            o.threads = std::atoi(argv[++i]);
        } else if (!std::strcmp(a, "-case")) {
            o.caseSensitive = true;
        } else if (!std::strcmp(a, "-noaccent")) {
            o.accentSensitive = false;
        } else if (!std::strcmp(a, "-nopunct")) {
            o.punctSensitive = false;
        } else if (!std::strcmp(a, "-noseq")) {
            o.sequence = false;
        } else if (!std::strcmp(a, "-noops")) {
            o.operators = false;
        } else if (!std::strcmp(a, "-plain")) {
            o.plain = true;
        } else if (!std::strcmp(a, "-lines")) {
            o.lineByLine = true;
        } else if (!std::strcmp(a, "-reload")) {
            o.reload = true;
        } else if (!std::strcmp(a, "-digest")) {
            o.digest = true;
        } else if (!std::strcmp(a, "-readahead") && i + 1 < argc) {
            o.readAhead = std::atoi(argv[++i]);
        } else if (!std::strcmp(a, "-follow") && i + 1 < argc) {
            o.followRate = std::atoi(argv[++i]);
        } else if (!std::strcmp(a, "-bookmarks") && i + 1 < argc) {
            o.bookmarks = std::atoi(argv[++i]);
        } else if (!std::strcmp(a, "-code") && i + 1 < argc) {
            const char* page = argv[++i];
            o.codePage = !std::strcmp(page, "utf8") ? tessel::kCodePageUtf8 : std::atoi(page);
        } else if (!o.dir) {
            o.dir = a;
        } else {
            o.masks.push_back(a);
        }
    }
    return o.dir != nullptr;
}

// User and system time of the whole process so far: a pass's CPU time, which a busy machine
// disturbs far less than its wall time.
int64_t cpuMicros() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * int64_t{1000000} +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

using tessel::threadCpuMicros;

// Microseconds per screen built, over 200 screens spread across `rowCount` rows.
int64_t screenMicros(tessel::View& view, int rowCount) {
    constexpr int kScreens = 200;
    view.rows = 60;
    view.columns = 160;
    const auto start = Clock::now();
    for (int i = 0; i < kScreens; ++i) {
        view.search.topLine = static_cast<int>(static_cast<int64_t>(rowCount) * i / kScreens);
        tessel::buildScreen(view);
    }
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    return us / kScreens;
}

// The filtered view of a mask as the view builds it: the collecting pass on the workers, then
// marks and rows. Compared with the plain search pass above.
void benchFilter(tessel::TextStore& store, tessel::SearchWorkers& workers, const Options& o,
                 const char* mask) {
    using namespace tessel;
    View view;
    view.search.textStorePtr = &store;
    view.search.workers = &workers;
    view.search.caseSensitive = o.caseSensitive;
    view.search.accentSensitive = o.accentSensitive;
    view.search.punctSensitive = o.punctSensitive;
    view.search.sequenceSensitive = o.sequence;
    view.search.operatorsOn = o.operators;
    view.search.setFindMask(mask);
    if (createFilter(view, 1) != 0) return;
    int64_t bestNs = -1;
    int64_t bestCpuUs = -1;
    int64_t bestUiUs = -1;
    for (int run = 0; run < 5; ++run) {
        const int64_t cpuStart = cpuMicros();
        const int64_t uiStart = threadCpuMicros();
        Clock::time_point start = Clock::now();
        if (updateFilter(view, true, false) != 0) break;
        const int64_t uiUs = threadCpuMicros() - uiStart;
        if (bestUiUs < 0 || uiUs < bestUiUs) bestUiUs = uiUs;
        const int64_t ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        const int64_t cpuUs = cpuMicros() - cpuStart;
        if (bestNs < 0 || ns < bestNs) bestNs = ns;
        if (bestCpuUs < 0 || cpuUs < bestCpuUs) bestCpuUs = cpuUs;
    }
    std::printf("filter mask=\"%s\" rows=%d hits=%lld ms=%lld cpu_ms=%lld ui_cpu_ms=%lld\n", mask,
                view.filteredLineCount, static_cast<long long>(view.search.hitCount),
                static_cast<long long>((bestNs + 500000) / 1000000),
                static_cast<long long>((bestCpuUs + 500) / 1000),
                static_cast<long long>((bestUiUs + 500) / 1000));
    std::fflush(stdout);
    // Building a screen of the filtered view against one of the full text, at positions
    // spread over the whole row range: scrolling must not cost more in the filtered view.
    const int64_t filterUs = screenMicros(view, view.filteredLineCount);
    leaveFilter(view, true);
    setSyntaxColours(false);
    const int64_t textUs = screenMicros(view, store.lineCount());
    // The same screens with syntax colours: each starts far from the last, so the comment
    // state at its top is worked out anew.
    setSyntaxColours(true);
    const int64_t colouredUs = screenMicros(view, store.lineCount());
    std::printf("screen mask=\"%s\" filtered_us=%lld text_us=%lld shl_text_us=%lld\n", mask,
                static_cast<long long>(filterUs), static_cast<long long>(textUs),
                static_cast<long long>(colouredUs));
    std::fflush(stdout);
}

// A set of bookmarks spread over the files, saved five lines above their text (as after lines
// were inserted above them), then loaded: each one is placed again by a local search by line.
void benchBookmarks(tessel::TextStore& store, int count) {
    using namespace tessel;
    std::string folder = (std::filesystem::temp_directory_path() / "tessel-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) return;
    auto list = std::make_unique<BookmarkList>();
    list->storePtr = &store;
    list->openSet = 1;
    setBookmarkBase(folder + "/zz-bench");
    ViewPosition view;
    const int step = std::max(1, store.blockCount / std::max(1, 2 * count));
    for (int b = 1; b < store.blockCount && list->count() < count; b += step) {
        const TextBlock* file = store.blocks[b];
        // A line of some length whose text differs from the line five above it.
        for (int k = file->lineCount / 2; k < file->lineCount; ++k) {
            const int line = file->firstLine + k;
            if (k < 8 || std::strlen(store.lineText(line)) < 20) continue;
            if (std::strcmp(store.lineText(line), store.lineText(line - 5)) == 0) continue;
            if (addBookmark(*list, view, line, kAddMark) == 0) {
                list->at(list->selected).pos.currentLine -= 5;
            }
            break;
        }
    }
    const int made = list->count();
    if (saveSet(*list, 1, true) == 0) {
        // The best of five loads, and its processor time on this thread.
        int64_t bestUs = -1;
        int64_t bestCpuUs = -1;
        LoadSetResult result;
        for (int run = 0; run < 5; ++run) {
            const int64_t cpuStart = threadCpuMicros();
            const auto start = Clock::now();
            result = loadSet(*list, 1, view);
            const int64_t us =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            const int64_t cpuUs = threadCpuMicros() - cpuStart;
            if (bestUs < 0 || us < bestUs) bestUs = us;
            if (bestCpuUs < 0 || cpuUs < bestCpuUs) bestCpuUs = cpuUs;
        }
        std::printf("bookmarks count=%d loaded=%d lost=%d status=%d ms=%.1f cpu_ms=%.1f\n", made,
                    list->count(), result.lost, result.status, static_cast<double>(bestUs) / 1000.0,
                    static_cast<double>(bestCpuUs) / 1000.0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// Makes `count` blocks spread over the store look changed on disk since they were loaded, as
// after a build touched them: the scan reloads them, without the bench writing to the tree.
int pretendChanged(tessel::TextStore& store, int count) {
    int marked = 0;
    const int step = std::max(1, store.blockCount / std::max(1, count));
    for (int b = 0; b < store.blockCount && marked < count; b += step) {
        tessel::TextBlock* block = store.blocks[b];
        if (!block || !block->fileName || block->fileTime == 0) continue;
        block->fileTime -= 1;
        ++marked;
    }
    return marked;
}

// The reload scan after the window is activated, with nothing or `changedFiles` files changed
// on disk: the file states are gathered on a worker, then the scan compares them (and reloads
// the changed) on this thread, which stands for the user interface thread. Best of five; its
// processor time is the user interface's cost.
void benchReload(tessel::TextStore& store, int changedFiles) {
    using namespace tessel;
    ReloadSettings settings;
    settings.maxScanMs = 600000;  // no time limit: every block is compared
    ReloadScanner& scanner = reloadScanner();
    scanner.settingsOverride = &settings;
    int64_t bestWholeUs = -1;
    int64_t bestUiUs = -1;
    int64_t bestUiCpuUs = -1;
    int reloaded = 0;
    int changed = 0;
    for (int run = 0; run < 5; ++run) {
        changed = pretendChanged(store, changedFiles);
        const auto start = Clock::now();
        FileStatWorker worker;
        std::shared_ptr<FileStatusList> gathered;
        std::atomic<bool> done{false};
        worker.start(blockNamesForCheck(store), 0, 0, [&](std::shared_ptr<FileStatusList> states) {
            gathered = std::move(states);
            done = true;
        });
        while (!done.load()) std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto uiStart = Clock::now();
        const int64_t cpuStart = threadCpuMicros();
        ReloadRequest request;
        request.flags = kReloadAutomatic;
        reloaded = scanner.scan(request, gathered.get());
        const int64_t uiCpuUs = threadCpuMicros() - cpuStart;
        const auto end = Clock::now();
        const auto micros = [](auto d) {
            return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
        };
        const int64_t wholeUs = micros(end - start);
        const int64_t uiUs = micros(end - uiStart);
        if (bestWholeUs < 0 || wholeUs < bestWholeUs) bestWholeUs = wholeUs;
        if (bestUiUs < 0 || uiUs < bestUiUs) bestUiUs = uiUs;
        if (bestUiCpuUs < 0 || uiCpuUs < bestUiCpuUs) bestUiCpuUs = uiCpuUs;
    }
    scanner.settingsOverride = nullptr;
    std::printf(
        "reload changed=%d files=%d examined=%d reloaded=%d ms=%.1f ui_ms=%.1f ui_cpu_ms=%.1f\n",
        changed, store.blockCount, scanner.lastExamined, reloaded,
        static_cast<double>(bestWholeUs) / 1000.0, static_cast<double>(bestUiUs) / 1000.0,
        static_cast<double>(bestUiCpuUs) / 1000.0);
    std::fflush(stdout);
}

}  // namespace

// The syntax colours of every 60-row screen of a file, as the renderer classifies a screen:
// row after row, the block comment state of each row carried to the next. Best of 5 passes.
int benchSyntax(const char* path) {
    constexpr int kRows = 60;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string_view> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.emplace_back(text.data() + pos, end - pos);
        pos = end + 1;
    }
    if (lines.empty()) {
        std::fprintf(stderr, "tessel-bench: %s: nothing to classify\n", path);
        return 1;
    }
    const int kind = tessel::fileKind(path, lines[0]);
    std::vector<char> classes(tessel::kMaxClassifiedChars);
    std::vector<bool> inBlock(lines.size() + 1);
    const size_t screens = (lines.size() + kRows - 1) / kRows;
    int64_t bestUs = -1;
    size_t coloured = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        coloured = 0;
        for (size_t row = 0; row < lines.size(); ++row) {
            inBlock[row + 1] =
                tessel::classifyLine(lines[row], kind, nullptr, inBlock[row], classes.data());
            size_t length = std::min(lines[row].size(), tessel::kMaxClassifiedChars);
            coloured += static_cast<size_t>(std::count_if(
                classes.begin(), classes.begin() + static_cast<std::ptrdiff_t>(length),
                [](char c) { return c != tessel::kClassText; }));
        }
        const int64_t us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        if (bestUs < 0 || us < bestUs) bestUs = us;
    }
    std::printf(
        "syntax file=%s kind=%d lines=%zu coloured_chars=%zu screens=%zu "
        "us_per_screen=%.1f\n",
        path, kind, lines.size(), coloured, screens,
        static_cast<double>(bestUs) / static_cast<double>(screens));
    return 0;
}

int main(int argc, char** argv) {
    using namespace tessel;
    if (argc == 3 && !std::strcmp(argv[1], "-syntax")) return benchSyntax(argv[2]);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: tessel-bench [-threads N] [-case] [-noaccent] [-nopunct] [-noseq] "
                     "[-noops] [-plain] [-lines] [-digest] [-reload] [-follow N] [-readahead N] "
                     "[-bookmarks N] "
                     "[-code N|utf8] DIR MASK...\n");
        return 2;
    }
    // As the program's start-up does: the tables decide the line masks and the decoder what
    // loading does with UTF-8.
    codePageTables().init(options.codePage);
    initUtf8Decoder(options.codePage);
    setLogListener([](std::string_view text) {
        if (text.starts_with("[error]"))
            std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    });

    // The folder loader as the program runs it: the loader thread, whole files unless asked
    // for line by line, and the settings TESSEL_CONFIG gives, as at start-up. The load limit
    // holds only when given there; reaching it stops the load, as a user answering "no".
    const char* configText = std::getenv("TESSEL_CONFIG");
    bool linuxMode = true;
    applyTesselConfig(configText, linuxMode, [](const char* key, const char* value) {
        return applyConfigKeyword(key, value);
    });
    // Files get their kinds as at start-up, for the screens with syntax colours.
    textOptions().fileKind = fileKindOf;
    TextStore& store = textStore();
    LoadSettings settings = loadSettingsFromConfig();
    settings.fastLoad = !options.lineByLine;
    settings.readAheadThreads = options.readAhead;
    if (!isKeywordConfigured("maxload")) settings.maxLoadMb = 0;
    LoadDriver& driver = loadDriver();
    driver.settingsOverride = &settings;
    driver.callbacks.askYesNo = [](const char* title, const char*) {
        std::fprintf(stderr, "%s: load stopped\n", title);
        return false;
    };
    const long fallbacksBefore = procFigure("/proc/vmstat", "thp_fault_fallback");
    Clock::time_point loadStart = Clock::now();
    const int64_t cpuBefore[2] = {cpuMs(false), cpuMs(true)};
    int rc = driver.load(options.dir, 0);
    int64_t loadMs = msSince(loadStart);
    const int64_t loadUserMs = cpuMs(false) - cpuBefore[0];
    const int64_t loadSysMs = cpuMs(true) - cpuBefore[1];
    const LoadReport& report = driver.lastReport;
    std::printf(
        "load rc=%d files=%llu lines=%d bytes=%llu skipped=%llu failed=%llu stopped=%d ms=%lld "
        "rss_mb=%ld\n",
        rc, static_cast<unsigned long long>(report.files), store.lineCount(),
        static_cast<unsigned long long>(report.bytes),
        static_cast<unsigned long long>(report.binarySkipped),
        static_cast<unsigned long long>(report.failedFiles), report.stopped ? 1 : 0,
        static_cast<long long>(loadMs), residentMb());
    std::printf("budget text_mb=%llu lines=%d files=%llu budget_mb=%llu\n",
                static_cast<unsigned long long>(report.bytes >> 20), store.lineCount(),
                static_cast<unsigned long long>(report.files),
                static_cast<unsigned long long>(
                    (report.bytes + 10ull * store.lineCount() + 1024ull * report.files) >> 20));
    // Processor time of the load on all threads: steadier than the wall time on a busy machine.
    std::printf("load_cpu user_ms=%lld sys_ms=%lld\n", static_cast<long long>(loadUserMs),
                static_cast<long long>(loadSysMs));
    // Pooled text should sit in huge pages: fewer faults, and fewer to zero one by one.
    std::printf("memory anon_huge_mb=%ld pool_mb=%lld thp_fallbacks=%ld\n",
                procFigure("/proc/self/smaps_rollup", "AnonHugePages") / 1024,
                static_cast<long long>(store.textPool.reservedBytes() >> 20),
                procFigure("/proc/vmstat", "thp_fault_fallback") - fallbacksBefore);
    // Figures of a failed or empty load would only mislead: say so and fail.
    if (rc != 0 || report.files == 0) {
        std::fprintf(stderr, "tessel-bench: the load %s (rc %d)\n",
                     rc != 0 ? "failed" : "loaded no file", rc);
        return 1;
    }

    if (options.digest) {
        std::printf("store digest=%016llx blocks=%d\n",
                    static_cast<unsigned long long>(storeDigest(store)), store.blockCount);
    }

    // The floor: one memchr over every block buffer on one thread.
    for (int run = 0; run < 3; ++run) {
        const int64_t cpuStart = cpuMicros();
        Clock::time_point start = Clock::now();
        int64_t found = 0;
        for (int b = 0; b < store.blockCount; ++b) {
            const TextBlock* block = store.blocks[b];
            if (block && block->text)
                found += std::memchr(block->text, 0x01, block->usedBytes) != nullptr;
        }
        if (run == 2) {
            std::printf("memchr found=%lld ms=%lld cpu_ms=%lld\n", static_cast<long long>(found),
                        static_cast<long long>(msSince(start)),
                        static_cast<long long>((cpuMicros() - cpuStart + 500) / 1000));
        }
    }

    if (options.bookmarks > 0) benchBookmarks(store, options.bookmarks);
    if (options.reload) {
        benchReload(store, 0);
        benchReload(store, 100);
    }
    if (options.followRate > 0 && benchFollow(store, options.followRate, 5) != 0) return 1;

    SearchWorkers workers(options.threads);
    for (const char* mask : options.masks) {
        SearchState state;
        state.textStorePtr = &store;
        state.caseSensitive = options.caseSensitive;
        state.accentSensitive = options.accentSensitive;
        state.punctSensitive = options.punctSensitive;
        state.sequenceSensitive = options.sequence;
        state.operatorsOn = options.operators;
        state.setFindMask(mask);
        state.compileSearch(false);
        state.selectFiles(false);
        PassRequest request = state.passRequest();
        request.scanBuffers = !options.plain;
        PassResult best;
        int64_t bestCpuUs = -1;
        for (int run = 0; run < 5; ++run) {
            const int64_t cpuStart = cpuMicros();
            PassResult result = workers.run(request);
            const int64_t cpuUs = cpuMicros() - cpuStart;
            if (run == 0 || result.elapsedNs < best.elapsedNs) best = result;
            if (bestCpuUs < 0 || cpuUs < bestCpuUs) bestCpuUs = cpuUs;
        }
        std::printf("search mask=\"%s\" hits=%lld lines=%lld ms=%lld cpu_ms=%lld\n", mask,
                    static_cast<long long>(best.hitCount), static_cast<long long>(best.testedLines),
                    static_cast<long long>((best.elapsedNs + 500000) / 1000000),
                    static_cast<long long>((bestCpuUs + 500) / 1000));
        std::fflush(stdout);
        benchFilter(store, workers, options, mask);
    }
    return 0;
}
