// The walk over a file set and the collection of the files it takes. The walk visits each
// root's entries in the order the file system lists them, depth first, and hands every
// file the masks keep to the collector, which writes its file record into the load target:
// line by line through the line reader, or whole through TextStore::loadFileBlock.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "load/file_set.h"
#include "text/line_reader.h"

namespace tessel {

class TextBlock;
class TextStore;
struct LoadTarget;

// Returned by hooks and progress callbacks to stop the collection.
constexpr int kStopCollection = 19;

struct WalkOptions {
    bool loadSub = true;      // "loadsub"
    bool loadHidden = false;  // "loadhidden": names starting with "."
};

struct WalkCounts {
    uint64_t folders = 0;
    uint64_t filesTaken = 0;
    uint64_t hiddenFolders = 0;
    uint64_t hiddenFiles = 0;
    uint64_t unreadableFolders = 0;
    uint64_t specialFiles = 0;  // pipes, devices, sockets
    uint64_t loopsSkipped = 0;  // folder links leading back into their own path
    uint64_t missingRoots = 0;
};

// A folder the walk has open, shared with readers that open its files by their name in it:
// a lookup of one name instead of the whole path. It stays open while anyone holds it.
struct OpenFolder {
    explicit OpenFolder(DIR* stream);
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    DIR* dir;
    int fd;
};
using FolderRef = std::shared_ptr<const OpenFolder>;
// The folders open at this moment, in every walk and read-ahead queue.
int openFolderCount();

struct WalkHooks {
    // A file the masks keep: path to read, name for the record, whether a mask or the file
    // set named it explicitly. 0 goes on; kStopCollection ends the walk.
    std::function<int(const char* path, const char* name, bool explicitlyNamed)> takeFile;
    // Called instead of takeFile when set: also the open folder the file lies in (empty for
    // a root that is a file) and the file's name in it, the end of `path`.
    std::function<int(const char* path, const char* name, bool explicitlyNamed,
                      const FolderRef& folder, const char* nameInFolder)>
        takeFileInFolder;
    // Polled before each folder and after each file.
    std::function<bool()> stopRequested;
};

// Walks every layer of the set. 0 when walked, 1 when stopped, 9 when a root was missing
// (reported as "directory not found: %s"; the other roots are still walked).
int walkFileSet(const FileSet& set, const WalkOptions& options, const WalkHooks& hooks,
                WalkCounts& counts);

struct CollectOptions {
    bool fastLoad = false;
    bool loadBin = false;
    bool loadWchar = false;
    bool nestedSnapfiles = false;  // a single file named by the user may be a snapfile
    // Helper threads that read files ahead of the walk into blocks of their own: whole in a
    // fast load, line by line otherwise. Blocks still reach the store in walk order, from
    // the collecting thread alone.
    int readAheadThreads = 0;
};

struct CollectCounts {
    uint64_t files = 0;
    uint64_t lines = 0;
    uint64_t bytes = 0;
    uint64_t binarySkipped = 0;
    uint64_t failed = 0;
    std::string binaryNames;  // the first skipped names, for the progress display
};

// Writes the records of taken files into one load target. One per load; not thread-safe.
class FileCollector {
  public:
    FileCollector(TextStore& store, LoadTarget& target, const CollectOptions& options);
    ~FileCollector();
    FileCollector(const FileCollector&) = delete;
    FileCollector& operator=(const FileCollector&) = delete;

    // 0 written or skipped (a skip is counted), 9 a failure that was reported, 1 not taken
    // because progress stopped the collection. With read ahead a file may still be on its
    // way: flush() adds what is left.
    int collect(const char* path, const char* name, bool explicitlyNamed);
    // The same, for a file the walk found: a file read ahead is opened by its name in the
    // folder, which the collector may keep open until then.
    int collect(const char* path, const char* name, bool explicitlyNamed, const FolderRef& folder,
                const char* nameInFolder);
    // Adds every file still being read ahead, in order.
    void flush();
    // A stop: files read ahead but not yet added are dropped.
    void discard();
    // Called during long binary extractions, and after each file read ahead by lines as it
    // is added; kStopCollection stops the file, or the collection.
    std::function<int()> progress;

    CollectCounts counts;

  private:
    struct ReadAhead;
    struct Job;
    int collectWhole(const char* path);
    int collectByLines(const char* path, const char* name, bool explicitlyNamed);
    bool plainText(const char* path) const;
    bool queue(const char* path, const char* name, bool explicitlyNamed, const FolderRef& folder,
               const char* nameInFolder);
    void addReady(bool waitForAll);
    void adopt(Job& job);
    void adoptLines(Job& job);
    bool placeBlock(TextBlock* block);
    void startHelpers();
    void readAhead(Job& job);
    void readByLines(Job& job, LineReader& reader);

    TextStore& store_;
    LoadTarget& target_;
    CollectOptions options_;
    std::unique_ptr<LineReader> reader_;
    LineOutput output_;
    std::string prefix_;
    std::string shownName_;
    std::unique_ptr<ReadAhead> ahead_;
    bool stopped_ = false;  // progress stopped the collection while files were added
};

}  // namespace tessel
