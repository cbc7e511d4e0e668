#include "view/load_progress.h"

#include <algorithm>

#include "load/load_statistics.h"
#include "text/text_store.h"
#include "view/row_attributes.h"
#include "view/view.h"

namespace tessel {
namespace {

// The loader indents every progress line by this much.
constexpr std::string_view kIndent = "          ";
constexpr int kLongestPath = 100;
constexpr int kPathMargin = 30;
constexpr int kShortestPath = 10;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view withoutIndent(std::string_view line) {
    if (startsWith(line, kIndent)) line.remove_prefix(kIndent.size());
    return line;
}

// Writes `count` cells of the load show, wrapped at the width, into consecutive rows.
void showRows(View& view, std::string_view text, int firstRow, int count, int columns) {
    if (count <= 0 || text.empty()) return;
    const size_t width = static_cast<size_t>(columns);
    // The newest text is the most interesting: show the tail that fills the rows.
    const size_t room = width * static_cast<size_t>(count);
    if (text.size() > room) text.remove_prefix(text.size() - room);
    const std::string attr(width, kAttrDimmed);
    for (int row = firstRow; row < firstRow + count && !text.empty(); ++row) {
        std::string_view piece = text.substr(0, width);
        view.screen.writeRow(row, piece, std::string_view(attr).substr(0, piece.size()));
        text.remove_prefix(piece.size());
    }
}

}  // namespace

void LoadProgress::begin() {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.clear();
    active_ = true;
}

void LoadProgress::end() {
    active_ = false;
}

void LoadProgress::publish(const std::vector<std::string>& lines) {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.resize(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) lines_[i].assign(lines[i]);
}

void LoadProgress::copyLines(std::vector<std::string>& out) const {
    std::lock_guard<std::mutex> hold(lock_);
    out.resize(lines_.size());
    for (size_t i = 0; i < lines_.size(); ++i) out[i].assign(lines_[i]);
}

LoadProgress& loadProgress() {
    static LoadProgress progress;
    return progress;
}

bool isProgressHeadLine(size_t index, std::string_view line) {
    if (index == 0) return true;
    std::string_view text = withoutIndent(line);
    if (startsWith(text, "root   folder: ") || startsWith(text, "file   filter: ") ||
        startsWith(text, "subdir filter: "))
        return true;
    // The speed line: "%.1f km, %d seconds, ..." or its miles form.
    const bool distance = text.find(" km, ") != std::string_view::npos ||
                          text.find(" miles, ") != std::string_view::npos;
    return index == 1 && distance && text.find(" seconds, ") != std::string_view::npos;
}

std::string fitProgressLine(std::string_view line, bool isPath, int columns) {
    const size_t width = static_cast<size_t>(std::max(columns, 1));
    if (!isPath) return std::string(line.substr(0, width));
    const int room = std::max(std::min(kLongestPath, columns - kPathMargin), kShortestPath);
    std::string fitted(kIndent);
    fitted += shortenPath(withoutIndent(line), static_cast<size_t>(room));
    if (fitted.size() > width) fitted.resize(width);
    return fitted;
}

int buildLoadRows(View& view, const LoadProgress& progress, int textRows, int columns) {
    if (!view.textStore().loadRunning.load() && !progress.active()) return 1;
    textRows = std::clamp(textRows, 0, kScreenRows);
    columns = std::clamp(columns, 1, kScreenColumns);
    // Reused between paints: drawing the progress allocates nothing once warmed up.
    static std::vector<std::string> lines;  // user interface thread only
    progress.copyLines(lines);

    const int first = textRows / 4;
    int row = first;
    bool inPaths = false;
    for (size_t i = 0; i < lines.size() && row < textRows; ++i, ++row) {
        inPaths = inPaths || !isProgressHeadLine(i, lines[i]);
        std::string fitted = fitProgressLine(lines[i], inPaths, columns);
        view.screen.writeRow(row, fitted, std::string(fitted.size(), kAttrPlain));
    }
    if (progress.showText) {
        std::string_view text = progress.show.text();
        if (progress.showFull) {
            // Above the progress lines and below them, the newest text at the bottom.
            const int below = textRows - row;
            const size_t lowerRoom = static_cast<size_t>(std::max(below, 0) * columns);
            std::string_view lower =
                text.substr(text.size() > lowerRoom ? text.size() - lowerRoom : 0);
            std::string_view upper = text.substr(0, text.size() - lower.size());
            showRows(view, upper, 0, first, columns);
            showRows(view, lower, row, below, columns);
        } else {
            showRows(view, text, 0, first, columns);
        }
    }
    return 0;
}

}  // namespace tessel
