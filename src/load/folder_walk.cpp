#include "load/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "text/file_classify.h"
#include "text/load_target.h"
#include "text/text_store.h"
#include "view/log/message_log.h"

namespace tessel {

namespace {

constexpr size_t kBinaryNamesChars = 200;

// Folders open at once, the walk's own and those kept for files still to be read. Past
// this, files are opened by their whole path: a deep read-ahead queue over tiny folders
// must not use up the process's descriptors.
constexpr int kMaxOpenFolders = 128;
std::atomic<int> openFolders{0};

class Walker {
  public:
    Walker(const WalkOptions& options, const WalkHooks& hooks, WalkCounts& counts)
        : options_(options), hooks_(hooks), counts_(counts) {
        path_.reserve(kRootPathBytes + 256);
    }

    int walkRoot(const FileSetLayer& layer, const std::string& root);

  private:
    bool stopped() const { return hooks_.stopRequested && hooks_.stopRequested(); }
    std::string_view relative() const {
        return std::string_view(path_).substr(std::min(relativeStart_, path_.size()));
    }
    int walkFolder();
    int takeFile(bool explicitlyNamed, const FolderRef& folder = FolderRef(), size_t nameStart = 0);

    const WalkOptions& options_;
    const WalkHooks& hooks_;
    WalkCounts& counts_;
    const FileSetLayer* layer_ = nullptr;
    std::string path_;
    size_t relativeStart_ = 0;
    // Folders on the way down, so that a link back up is not followed for ever.
    std::vector<std::pair<dev_t, ino_t>> ancestors_;
    char target_[kMaskTargetBytes];
};

int Walker::walkRoot(const FileSetLayer& layer, const std::string& root) {
    layer_ = &layer;
    struct stat info {};
    if (::stat(root.c_str(), &info) != 0) {
        ++counts_.missingRoots;
        logMessage("directory not found: %s\n", root.c_str());
        return 9;
    }
    path_ = root;
    // Masks see the path below the root: the user chose the root itself, and a root inside
    // a folder such as /tmp must not be shut out by the common folder mask "!/tmp".
    if (!S_ISDIR(info.st_mode)) {
        // A file the user named as a root is taken whatever the masks say.
        relativeStart_ = path_.size();
        return takeFile(true);
    }
    relativeStart_ = path_.size();
    ancestors_.clear();
    return walkFolder();
}

int Walker::takeFile(bool explicitlyNamed, const FolderRef& folder, size_t nameStart) {
    ++counts_.filesTaken;
    int rc = 0;
    if (hooks_.takeFileInFolder)
        rc = hooks_.takeFileInFolder(path_.c_str(), path_.c_str(), explicitlyNamed, folder,
                                     path_.c_str() + std::min(nameStart, path_.size()));
    else if (hooks_.takeFile)
        rc = hooks_.takeFile(path_.c_str(), path_.c_str(), explicitlyNamed);
    if (rc == kStopCollection || stopped()) return 1;
    return 0;
}

int Walker::walkFolder() {
    if (stopped()) return 1;
    DIR* dir = ::opendir(path_.c_str());
    if (!dir) {
        ++counts_.unreadableFolders;
        logMessage("cannot read dir: %s\n", path_.c_str());
        return 0;
    }
    FolderRef folder;
    try {
        folder = std::make_shared<const OpenFolder>(dir);
    } catch (const std::bad_alloc&) {
        ::closedir(dir);
        ++counts_.unreadableFolders;
        reportOutOfMemory(120503, static_cast<long>(sizeof(OpenFolder)));
        return 0;
    }
    ++counts_.folders;
    int dirFd = ::dirfd(dir);
    struct stat self {};
    bool pushed = false;
    if (::fstat(dirFd, &self) == 0) {
        ancestors_.emplace_back(self.st_dev, self.st_ino);
        pushed = true;
    }
    size_t base = path_.size();
    int rc = 0;
    while (rc == 0) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        bool hidden = name[0] == '.';
        path_.resize(base);
        if (path_.empty() || path_.back() != '/') path_.push_back('/');
        size_t nameStart = path_.size();
        path_.append(name);
        if (path_.size() >= kRootPathBytes) {
            logMessage("[note] path too long, skipped: %.200s", path_.c_str());
            continue;
        }

        unsigned char type = entry->d_type;
        struct stat info {};
        bool haveInfo = false;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            // Links are followed to what they point at; a broken one cannot be read.
            if (::fstatat(dirFd, name, &info, 0) != 0) {
                if (!hidden || options_.loadHidden)
                    logMessage("cannot read: %s%s\n", path_.c_str(), " (broken link or gone)");
                continue;
            }
            haveInfo = true;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }

        if (type == DT_DIR) {
            if (hidden && !options_.loadHidden) {
                ++counts_.hiddenFolders;
                continue;
            }
            if (!options_.loadSub) continue;
            if (!layer_->dirMasks.empty() &&
                !layer_->dirMasks.keeps(makeMaskTarget(target_, relative())))
                continue;
            if (!haveInfo && ::fstatat(dirFd, name, &info, 0) != 0) continue;
            bool loop = false;
            for (const auto& [dev, ino] : ancestors_)
                loop = loop || (dev == info.st_dev && ino == info.st_ino);
            if (loop) {
                ++counts_.loopsSkipped;
                logMessage("[note] folder link loop skipped: %s", path_.c_str());
                continue;
            }
            rc = walkFolder();
        } else if (type == DT_REG) {
            if (hidden && !options_.loadHidden) {
                ++counts_.hiddenFiles;
                continue;
            }
            bool named = false;
            if (!layer_->fileMasks.empty() &&
                !layer_->fileMasks.keeps(makeMaskTarget(target_, relative()), &named))
                continue;
            rc = takeFile(named, folder, nameStart);
        } else {
            if (hidden && !options_.loadHidden) continue;
            ++counts_.specialFiles;
            logMessage("[blue] not a regular file, skipped: %s", path_.c_str());
        }
    }
    if (pushed) ancestors_.pop_back();
    path_.resize(base);
    return rc;
}

}  // namespace

OpenFolder::OpenFolder(DIR* stream) : dir(stream), fd(stream ? ::dirfd(stream) : -1) {
    openFolders.fetch_add(1, std::memory_order_relaxed);
}

OpenFolder::~OpenFolder() {
    if (dir) ::closedir(dir);
    openFolders.fetch_sub(1, std::memory_order_relaxed);
}

int walkFileSet(const FileSet& set, const WalkOptions& options, const WalkHooks& hooks,
                WalkCounts& counts) {
    Walker walker(options, hooks, counts);
    int result = 0;
    for (const FileSetLayer& layer : set.layers) {
        for (const std::string& root : layer.roots) {
            int rc = walker.walkRoot(layer, root);
            if (rc == 1) return 1;
            if (rc == 9) result = 9;
        }
    }
    return result;
}

// A job of the read-ahead: one file, classified and (when plain text) read whole into a
// block that no store lists yet.
struct FileCollector::Job {
    std::string path;
    FolderRef folder;  // when kept: the file is opened by its name in it, path[nameStart..]
    size_t nameStart = 0;
    bool explicitlyNamed = false;
    bool done = false;
    bool plain = false;
    int result = 0;
    TextBlock* block = nullptr;
};

struct FileCollector::ReadAhead {
    std::mutex lock;
    std::condition_variable wake;   // helpers: a job came, or the end
    std::condition_variable ready;  // collector: a job is done
    std::deque<Job> jobs;           // in walk order; the front is the next to add
    size_t nextToTake = 0;          // index into jobs of the first job no helper took
    int64_t heldBytes = 0;          // file bytes of finished jobs not added yet
    bool ending = false;
    // While the collector sleeps: the number of finished jobs at the front it waits for.
    bool collectorWaiting = false;
    size_t wantedDone = 1;
    std::vector<std::thread> helpers;
    std::vector<Job> adopting;  // finished jobs taken off the front, reused

    // Whether a helper may take the next job.
    bool mayTake() const;
    // The number of finished jobs at the front, counted up to `limit`.
    size_t doneAtFront(size_t limit) const {
        size_t done = 0;
        while (done < limit && done < jobs.size() && jobs[done].done) ++done;
        return done;
    }
    // Sleeps until `want` jobs at the front (or all queued ones) are done. Sleeping helpers
    // are woken first: the jobs waited for may not be taken yet.
    void waitForFront(std::unique_lock<std::mutex>& guard, size_t want) {
        want = std::min(want, jobs.size());
        if (nextToTake < jobs.size()) wake.notify_all();
        wantedDone = want;
        collectorWaiting = true;
        ready.wait(guard, [this, want] { return doneAtFront(want) >= want; });
        collectorWaiting = false;
    }
};

namespace {

// Deep enough that the files at the front, waiting for a slow one, never leave the helpers
// without work: blocks read ahead cost no memory the load would not take anyway.
constexpr size_t kReadAheadJobs = 1024;
// Hand-overs go in batches: a thread that sleeps and wakes for every file of tens of
// thousands costs more than the file's own reading.
constexpr size_t kAddBatch = 16;
constexpr size_t kWakeBatch = 4;
// Past this many bytes read ahead and not added, helpers only take the jobs the collector
// may be waiting for: while it waits (on the question about the load limit, say), a queue
// of large files is not read into memory beyond it.
constexpr int64_t kReadAheadBytes = int64_t{256} << 20;

}  // namespace

bool FileCollector::ReadAhead::mayTake() const {
    return nextToTake < jobs.size() && (heldBytes < kReadAheadBytes || nextToTake < kAddBatch);
}

FileCollector::FileCollector(TextStore& store, LoadTarget& target, const CollectOptions& options)
    : store_(store), target_(target), options_(options), reader_(std::make_unique<LineReader>()) {
    reader_->options.loadWchar = options.loadWchar;
    reader_->options.loadBin = options.loadBin;
    reader_->options.nestedSnapfiles = options.nestedSnapfiles;
    // Appending to a store loaded from a snapfile keeps that snapfile's record prefix.
    if (store.prefixLength > 0 && !store.prefixOnNameLine) {
        prefix_.assign(store.recordPrefix, static_cast<size_t>(store.prefixLength));
        reader_->options.recordPrefix = prefix_;
    }
    output_ = [this](const char* line, size_t length, bool needsNewline) {
        return target_.writeLine(line, length, needsNewline);
    };
    reader_->progress = [this] { return progress ? progress() : 0; };
}

FileCollector::~FileCollector() {
    discard();
}

// Only plain text goes the fast way: binary files, wide text and snapfiles need the line
// reader's handling, which reading them whole would skip.
bool FileCollector::plainText(const char* path) const {
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool plain = false;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        unsigned char start[kClassifyBytes];
        ssize_t got = ::pread(fd, start, sizeof start, 0);
        if (got >= 0) {
            FileClass kind =
                classifyFileStart(path, start, static_cast<size_t>(got), options_.loadWchar);
            plain = !kind.binary && !kind.wide && !kind.snapfile && !kind.database;
        }
    }
    ::close(fd);
    return plain;
}

int FileCollector::collectWhole(const char* path) {
    if (target_.introduceStream() != 0) return 9;
    int lines = 0;
    int64_t used = 0;
    if (store_.loadFileBlock(path, &lines, &used) != 0) {
        ++counts.failed;
        return 9;
    }
    ++counts.files;
    counts.lines += static_cast<uint64_t>(lines > 3 ? lines - 3 : 0);
    TextBlock* block = store_.blocks[store_.blockCount - 1];
    counts.bytes += static_cast<uint64_t>(block->fileSize > 0 ? block->fileSize : 0);
    return 0;
}

int FileCollector::collectByLines(const char* path, const char* name, bool explicitlyNamed) {
    LineReaderCounts before = reader_->counts;
    reader_->options.explicitlyNamed = explicitlyNamed;
    int rc = reader_->readFile(path, name, output_);
    const LineReaderCounts& after = reader_->counts;
    counts.files += after.files - before.files;
    counts.lines += after.lines - before.lines;
    counts.bytes += after.bytes - before.bytes;
    if (rc == kSkippedBinary) {
        ++counts.binarySkipped;
        if (counts.binaryNames.size() < kBinaryNamesChars) {
            if (!counts.binaryNames.empty()) counts.binaryNames.append(", ");
            const char* slash = std::strrchr(name, '/');
            counts.binaryNames.append(slash ? slash + 1 : name);
            if (counts.binaryNames.size() > kBinaryNamesChars)
                counts.binaryNames.resize(kBinaryNamesChars);
        }
        return 0;
    }
    if (rc == 9) {
        ++counts.failed;
        return 9;
    }
    return 0;
}

int FileCollector::collect(const char* path, const char* name, bool explicitlyNamed) {
    return collect(path, name, explicitlyNamed, FolderRef(), nullptr);
}

int FileCollector::collect(const char* path, const char* name, bool explicitlyNamed,
                           const FolderRef& folder, const char* nameInFolder) {
    if (!path) return 9;
    if (!name) name = path;
    // A line end inside a name would split the record's name line and turn the rest of the
    // name into text; the record shows "?" there, the file is still read by its real path.
    bool cleanName = std::strpbrk(name, "\r\n") == nullptr;
    if (!cleanName) {
        shownName_.assign(name);
        for (char& c : shownName_) {
            if (c == '\n' || c == '\r') c = '?';
        }
        name = shownName_.c_str();
    }
    bool whole = options_.fastLoad && cleanName && std::strcmp(name, path) == 0;
    if (whole && queue(path, explicitlyNamed, folder, nameInFolder)) {
        addReady(false);
        return 0;
    }
    // Whatever is read ahead comes first: records keep the walk order.
    addReady(true);
    if (whole && plainText(path)) return collectWhole(path);
    return collectByLines(path, name, explicitlyNamed);
}

// Helpers may only index blocks once the store has its record prefix (the stream header is
// in); it never changes during the load after that.
bool FileCollector::queue(const char* path, bool explicitlyNamed, const FolderRef& folder,
                          const char* nameInFolder) {
    if (options_.readAheadThreads <= 0 || store_.blockCount == 0 || store_.prefixLength == 0)
        return false;
    if (!ahead_) startHelpers();
    ReadAhead& a = *ahead_;
    std::unique_lock guard(a.lock);
    if (a.jobs.size() >= kReadAheadJobs) {
        a.waitForFront(guard, kAddBatch);
        guard.unlock();
        addReady(false);
        guard.lock();
    }
    Job& job = a.jobs.emplace_back();
    job.path.assign(path);
    job.explicitlyNamed = explicitlyNamed;
    // The name must be the end of the path, or the two would name different files.
    if (folder && folder->fd >= 0 && nameInFolder && *nameInFolder) {
        size_t nameLength = std::strlen(nameInFolder);
        bool tail = nameLength < job.path.size() &&
                    job.path.compare(job.path.size() - nameLength, nameLength, nameInFolder) == 0;
        bool kept = a.jobs.size() < 2 || a.jobs[a.jobs.size() - 2].folder == folder ||
                    openFolders.load(std::memory_order_relaxed) < kMaxOpenFolders;
        if (tail && kept) {
            job.folder = folder;
            job.nameStart = job.path.size() - nameLength;
        }
    }
    size_t untaken = a.jobs.size() - a.nextToTake;
    guard.unlock();
    // Helpers only sleep when no job is left to take: a few new jobs wake them all at once.
    if (untaken == kWakeBatch) a.wake.notify_all();
    return true;
}

void FileCollector::startHelpers() {
    ahead_ = std::make_unique<ReadAhead>();
    int count = options_.readAheadThreads;
    for (int i = 0; i < count; ++i) {
        try {
            ahead_->helpers.emplace_back([this] {
                ReadAhead& a = *ahead_;
                std::unique_lock guard(a.lock);
                for (;;) {
                    a.wake.wait(guard, [&a] { return a.ending || a.mayTake(); });
                    if (a.ending) return;
                    Job& job = a.jobs[a.nextToTake++];
                    guard.unlock();
                    readAhead(job);
                    guard.lock();
                    job.done = true;
                    if (job.block) a.heldBytes += std::max<int64_t>(job.block->fileSize, 0);
                    if (a.collectorWaiting && a.doneAtFront(a.wantedDone) >= a.wantedDone)
                        a.ready.notify_one();
                }
            });
        } catch (const std::system_error&) {
            // Fewer helpers only make the read-ahead slower; the collecting thread adds
            // every file itself when none started.
            break;
        }
    }
    if (ahead_->helpers.empty()) {
        ahead_.reset();
        options_.readAheadThreads = 0;
    }
}

// Reads a job's file whole and classifies it from the same read, one open per file. A
// file that is not plain text, or that cannot be opened, goes to the line reader later.
void FileCollector::readAhead(Job& job) {
    if (loadStopRequested().load()) return;
    const char* path = job.path.c_str();
    bool loadWchar = options_.loadWchar;
    LoadCheck check = [path, loadWchar](const char* start, size_t length) {
        FileClass kind =
            classifyFileStart(path, reinterpret_cast<const unsigned char*>(start),
                              length < kClassifyBytes ? length : kClassifyBytes, loadWchar);
        return !kind.binary && !kind.wide && !kind.snapfile && !kind.database;
    };
    auto block = std::make_unique<TextBlock>(&store_);
    int folderFd = job.folder ? job.folder->fd : -1;
    job.result = block->loadFile(path, 0, &check, &store_.textPool, folderFd,
                                 folderFd >= 0 ? path + job.nameStart : nullptr);
    job.plain = job.result != kLoadTurnedAway && job.result != 1 && job.result != 3;
    if (job.plain) job.block = block.release();
}

// Adds the finished jobs at the front, in order; with waitForAll, every queued job.
void FileCollector::addReady(bool waitForAll) {
    if (!ahead_) return;
    ReadAhead& a = *ahead_;
    for (;;) {
        {
            std::unique_lock guard(a.lock);
            if (a.jobs.empty()) return;
            if (!a.jobs.front().done) {
                if (!waitForAll) return;
                a.waitForFront(guard, 1);
            }
            bool held = a.heldBytes >= kReadAheadBytes;
            while (!a.jobs.empty() && a.jobs.front().done) {
                a.adopting.push_back(std::move(a.jobs.front()));
                a.jobs.pop_front();
                --a.nextToTake;
                TextBlock* added = a.adopting.back().block;
                if (added) a.heldBytes -= std::max<int64_t>(added->fileSize, 0);
            }
            if (held && a.mayTake()) a.wake.notify_all();
        }
        for (Job& job : a.adopting) adopt(job);
        a.adopting.clear();
    }
}

// Puts a block read ahead into the store as TextStore::loadFileBlock would have made it:
// behind the last block, which is closed first. Files that are not plain text go through
// the line reader here, in their place.
void FileCollector::adopt(Job& job) {
    if (!job.plain) {
        delete job.block;
        collectByLines(job.path.c_str(), job.path.c_str(), job.explicitlyNamed);
        return;
    }
    if (!job.block || job.result != 0) {
        delete job.block;
        if (!loadStopRequested().load()) {
            logMessage("failed to load, rc %ld:", static_cast<long>(job.result));
            logMessage("%s", job.path.c_str());
        }
        ++counts.failed;
        return;
    }
    if (target_.introduceStream() != 0 || store_.closeLast() != 0 || !store_.appendBlock()) {
        delete job.block;
        ++counts.failed;
        return;
    }
    // The slot appendBlock made takes the finished block instead of an empty one.
    TextBlock*& slot = store_.blocks[store_.blockCount - 1];
    delete slot;
    slot = job.block;
    ++counts.files;
    counts.lines += static_cast<uint64_t>(job.block->lineCount > 3 ? job.block->lineCount - 3 : 0);
    counts.bytes += static_cast<uint64_t>(job.block->fileSize > 0 ? job.block->fileSize : 0);
}

void FileCollector::flush() {
    addReady(true);
}

void FileCollector::discard() {
    if (!ahead_) return;
    {
        std::lock_guard guard(ahead_->lock);
        ahead_->ending = true;
    }
    ahead_->wake.notify_all();
    for (std::thread& helper : ahead_->helpers) helper.join();
    for (Job& job : ahead_->jobs) delete job.block;
    ahead_.reset();
}

}  // namespace tessel
