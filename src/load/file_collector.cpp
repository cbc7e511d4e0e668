#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/files/file_open.h"
#include "base/log/message_log.h"
#include "load/folder_walk.h"
#include "text/file_classify.h"
#include "text/line_record.h"
#include "text/load_target.h"
#include "text/text_store.h"

namespace tessel {

namespace {

constexpr size_t kBinaryNamesChars = 200;
// Folders open at once, the walk's own and those kept for files still to be read. Past
// this, files are opened by their whole path: a deep read-ahead queue over tiny folders
// must not use up the process's descriptors.
constexpr int kMaxOpenFolders = 128;

}  // namespace

// A job of the read-ahead: one file, classified and (when plain text) read into a block
// that no store lists yet: whole, or in a load by lines line by line as the store would.
struct FileCollector::Job {
    std::string path;
    std::string name;  // by lines: the record's name line
    FolderRef folder;  // when kept: the file is opened by its name in it, path[nameStart..]
    size_t nameStart = 0;
    bool explicitlyNamed = false;
    bool done = false;
    bool plain = false;
    int result = 0;
    int64_t held = 0;  // counted in heldBytes until the job is added
    TextBlock* block = nullptr;
    LineReaderCounts readCounts;  // by lines: what reading the file added to the counts
};

struct FileCollector::ReadAhead {
    std::mutex lock;
    std::condition_variable wake;   // helpers: a job came, or the end
    std::condition_variable ready;  // collector: a job is done
    // In walk order; the front is the next to add. A helper works on its job through a
    // reference without holding the lock, which is sound because a deque keeps references to
    // its elements valid when others are added at the back or removed at the front (only its
    // iterators go stale), and a job leaves the front only once it is done. Never erase from
    // the middle, insert in front or use a vector here: that would move the jobs in use.
    std::deque<Job> jobs;
    size_t nextToTake = 0;  // index into jobs of the first job no helper took
    int64_t heldBytes = 0;  // file bytes of finished jobs not added yet
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

// A helper allocates a block and a name for every file it reads. The heap of a thread
// grows a page at a time, each step a system call that also stalls the other threads of
// the process; a heap grown once at the start, and freed again, keeps its room.
void reserveThreadHeap() {
    constexpr int kPieces = 128;
    constexpr size_t kPieceBytes = 64 << 10;  // below the size malloc maps on its own
    void* pieces[kPieces];
    for (void*& piece : pieces) piece = std::malloc(kPieceBytes);
    for (void* piece : pieces) std::free(piece);
}

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
    struct stat info {};
    int fd = openRegularFile(path, -1, nullptr, info);
    if (fd < 0) return false;
    bool plain = false;
    unsigned char start[kClassifyBytes];
    ssize_t got = ::pread(fd, start, sizeof start, 0);
    if (got >= 0) {
        FileClass kind =
            classifyFileStart(path, start, static_cast<size_t>(got), options_.loadWchar);
        plain = !kind.binary && !kind.wide && !kind.snapfile && !kind.database;
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
    counts.lines += static_cast<uint64_t>(std::max(lines - kRecordHeaderLines, 0));
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
    if (rc == 9 || rc == kReadFailed) {
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
    if (stopped_) return 1;
    bool whole = options_.fastLoad && cleanName && std::strcmp(name, path) == 0;
    bool byLines = !options_.fastLoad && cleanName;
    if ((whole || byLines) && queue(path, name, explicitlyNamed, folder, nameInFolder)) {
        addReady(false);
        return 0;
    }
    // Whatever is read ahead comes first: records keep the walk order.
    addReady(true);
    if (stopped_) return 1;
    if (whole && plainText(path)) return collectWhole(path);
    return collectByLines(path, name, explicitlyNamed);
}

// Helpers may only index blocks once the store has its record prefix (the stream header is
// in); it never changes during the load after that. Loads by lines wait for it too, so that
// the first file is in before a stop or a question about the load limit can come; a file
// gets a block of its own only when its header starts a record in the store; and the
// excerpts shown while loading take their lines from the target until they are full.
bool FileCollector::queue(const char* path, const char* name, bool explicitlyNamed,
                          const FolderRef& folder, const char* nameInFolder) {
    if (options_.readAheadThreads <= 0 || store_.blockCount == 0 || store_.prefixLength == 0)
        return false;
    if (!options_.fastLoad) {
        if (target_.show && target_.show->text().size() < kLoadShowBytes) return false;
        char header[kRecordPrefixMax + 1] = {};
        std::string_view prefix = reader_->options.recordPrefix;
        prefix.copy(header, std::min(prefix.size(), kRecordPrefixMax));
        if (!store_.startsWithPrefix(header)) return false;
    }
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
    if (!options_.fastLoad) job.name.assign(name);
    job.explicitlyNamed = explicitlyNamed;
    // The name must be the end of the path, or the two would name different files.
    if (folder && folder->fd >= 0 && nameInFolder && *nameInFolder) {
        size_t nameLength = std::strlen(nameInFolder);
        bool tail = nameLength < job.path.size() &&
                    job.path.compare(job.path.size() - nameLength, nameLength, nameInFolder) == 0;
        bool kept = a.jobs.size() < 2 || a.jobs[a.jobs.size() - 2].folder == folder ||
                    openFolderCount() < kMaxOpenFolders;
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
    bool byLines = !options_.fastLoad;
    // The helpers' readers read as the collector's own does, but leave every file that is
    // not plain text to it: those need its messages and its progress in walk order.
    LineReaderOptions readerOptions = reader_->options;
    readerOptions.plainOnly = true;
    for (int i = 0; i < count; ++i) {
        try {
            ahead_->helpers.emplace_back([this, byLines, readerOptions] {
                reserveThreadHeap();
                ReadAhead& a = *ahead_;
                std::unique_ptr<LineReader> reader;
                std::unique_lock guard(a.lock);
                for (;;) {
                    a.wake.wait(guard, [&a] { return a.ending || a.mayTake(); });
                    if (a.ending) return;
                    // Stays valid while unlocked: see ReadAhead::jobs.
                    Job& job = a.jobs[a.nextToTake++];
                    guard.unlock();
                    if (byLines) {
                        if (!reader) {
                            try {
                                reader = std::make_unique<LineReader>();
                                reader->options = readerOptions;
                            } catch (const std::bad_alloc&) {
                                // The job goes to the collector's reader.
                            }
                        }
                        if (reader) readByLines(job, *reader);
                    } else {
                        readAhead(job);
                    }
                    guard.lock();
                    job.done = true;
                    if (job.block) job.held = std::max<int64_t>(job.block->fileSize, 0);
                    a.heldBytes += job.held;
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
    LoadFileResult result = block->loadFile(path, 0, &check, &store_.textPool, folderFd,
                                            folderFd >= 0 ? path + job.nameStart : nullptr);
    job.result = static_cast<int>(result);
    job.plain = result != LoadFileResult::kTurnedAway && result != LoadFileResult::kMissing &&
                result != LoadFileResult::kUnreadable;
    if (job.plain) job.block = block.release();
}

// Reads a job's file into a block of its own and closes it: the block comes out as the
// store would have made it line by line. Plain text is built from the whole file at once;
// the few plain files that building hands back go through the same load target and block
// adds as a load into the store. A file that is not plain text or cannot be opened goes to
// the collector's reader later. A read error in the middle has been reported here; the lines
// before it are kept, as the collector's reader would have kept them.
void FileCollector::readByLines(Job& job, LineReader& reader) {
    if (loadStopRequested().load()) return;
    std::unique_ptr<TextBlock> block;
    try {
        block = std::make_unique<TextBlock>(&store_);
    } catch (const std::bad_alloc&) {
        return;
    }
    int folderFd = job.folder ? job.folder->fd : -1;
    const char* path = job.path.c_str();
    reader.options.explicitlyNamed = job.explicitlyNamed;
    LineRecordFile file{path, job.name.c_str(), folderFd,
                        folderFd >= 0 ? path + job.nameStart : nullptr};
    int built = buildLineRecord(*block, file, reader.options, &store_.textPool, job.readCounts);
    if (built == kNotPlainText) return;
    if (built == 0) {
        job.plain = true;
        job.block = block.release();
        return;
    }

    if (block->openForAdd() != 0) return;
    LoadTarget blockTarget;
    blockTarget.block = block.get();
    LineReaderCounts before = reader.counts;
    job.result = reader.readFile(
        path, job.name.c_str(),
        [&blockTarget](const char* line, size_t length, bool needsNewline) {
            return blockTarget.writeLine(line, length, needsNewline);
        },
        folderFd, folderFd >= 0 ? path + job.nameStart : nullptr);
    if (job.result == kNotPlainText) return;
    if (job.result == kReadFailed) {
        job.readCounts = LineReaderCounts();
        job.plain = true;
        return;
    }
    job.readCounts.files = reader.counts.files - before.files;
    job.readCounts.lines = reader.counts.lines - before.lines;
    job.readCounts.bytes = reader.counts.bytes - before.bytes;
    // The store closes a file's block when the next record starts; the outcome is the same.
    block->close(&store_.textPool);
    job.plain = true;
    job.block = block.release();
}

// Adds the finished jobs at the front, in order; with waitForAll, every queued job.
void FileCollector::addReady(bool waitForAll) {
    if (!ahead_ || stopped_) return;
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
                a.heldBytes -= a.adopting.back().held;
            }
            if (held && a.mayTake()) a.wake.notify_all();
        }
        for (Job& job : a.adopting) {
            if (stopped_) {
                delete job.block;
                continue;
            }
            adopt(job);
            // The serial load asks after every file whether to go on (a stop, the load
            // limit); files added here in a batch get the same question between them.
            if (!options_.fastLoad && progress && progress() == kStopCollection) stopped_ = true;
        }
        a.adopting.clear();
        if (stopped_) return;
    }
}

// Puts a block read ahead whole into the store as TextStore::loadFileBlock would have made
// it: behind the last block, which is closed first. Files that are not plain text go
// through the line reader here, in their place.
void FileCollector::adopt(Job& job) {
    if (!job.plain) {
        delete job.block;
        const char* name = options_.fastLoad ? job.path.c_str() : job.name.c_str();
        collectByLines(job.path.c_str(), name, job.explicitlyNamed);
        return;
    }
    if (!options_.fastLoad) {
        adoptLines(job);
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
    if (target_.introduceStream() != 0 || store_.closeLast() != 0) {
        delete job.block;
        ++counts.failed;
        return;
    }
    if (!placeBlock(job.block)) {
        ++counts.failed;
        return;
    }
    ++counts.files;
    counts.lines += static_cast<uint64_t>(std::max(job.block->lineCount - kRecordHeaderLines, 0));
    counts.bytes += static_cast<uint64_t>(job.block->fileSize > 0 ? job.block->fileSize : 0);
}

// Puts a block read by lines on a helper into the store where the collector's reader would
// have made it: behind the last block, which is closed first.
void FileCollector::adoptLines(Job& job) {
    if (job.result == kReadFailed) {
        delete job.block;
        ++counts.failed;
        return;
    }
    // The block starts with its record header, which is never a snapfile header: whatever
    // the target would still drop or introduce before it is settled here.
    int rc = target_.introduceStream();
    target_.headerState = kHeaderPassAll;
    // A failed close of the last block has been reported; this file still gets its own.
    if (rc == 0) store_.closeLast();
    if (rc != 0) delete job.block;
    if (rc != 0 || !placeBlock(job.block)) {
        ++counts.failed;
        return;
    }
    counts.files += job.readCounts.files;
    counts.lines += job.readCounts.lines;
    counts.bytes += job.readCounts.bytes;
    if (job.result != 0) ++counts.failed;
    if (target_.pump) target_.pump();
}

// Puts a finished block behind the last one; false, with the block deleted, when the store
// takes no more blocks.
bool FileCollector::placeBlock(TextBlock* block) {
    return store_.adoptBlock(block);
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
