#include "load/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "base/log/message_log.h"

namespace tessel {

namespace {

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

int openFolderCount() {
    return openFolders.load(std::memory_order_relaxed);
}

}  // namespace tessel
