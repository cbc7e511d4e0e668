// Following a file that grows, as a log viewer does: the lines written behind the loaded end
// are added to the file's block, a file that became shorter or was replaced by a new file
// (log rotation) is read again whole, and a file that is gone leaves its text as it was.
// Only complete lines are taken; a line still being written waits for its line feed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

class TextStore;
struct TextBlock;
class ReloadScanner;

inline constexpr int kFollowMinDelayMs = 300;
inline constexpr int kFollowDefaultDelayMs = 500;
inline constexpr int kFollowDefaultWaitMs = 5000;

enum FollowResult : int {
    kFollowUnchanged = 0,
    kFollowGrew = 1,      // lines were added behind the text
    kFollowReloaded = 2,  // shorter or replaced: read again whole
    kFollowMissing = 3,   // the file cannot be examined now
    kFollowInEdit = 4,    // the block holds unsaved editor changes and was left alone
    kFollowFailed = 9,    // reported
};

// What the follower knows of the file behind one block.
struct FollowState {
    std::string fileName;
    dev_t device = 0;
    ino_t inode = 0;
    int64_t readOffset = 0;  // bytes of the file that are in the block
};

// Adds whole lines (each ending in a line feed) behind a closed block's text, keeping its
// closing line last. The caller renumbers the store. 0 added, 9 failure.
int appendLines(TextBlock& block, std::string_view lines, int& linesAdded);

// Starts following the block's file from its loaded size. 0 started, 9 not a file (reported).
int startFollowing(const TextBlock& block, FollowState& state);

// Whether a look would change the block: kFollowGrew when the file differs from what the
// block holds, kFollowUnchanged or kFollowMissing. Only asks the file system.
int followLook(const FollowState& state);

// Looks at the file once and brings the block up to date. `linesAdded` tells how many lines
// went in when it grew. The store is renumbered when the block changed.
int followOnce(TextStore& store, TextBlock& block, FollowState& state, ReloadScanner& scanner,
               int& linesAdded);

}  // namespace tessel
