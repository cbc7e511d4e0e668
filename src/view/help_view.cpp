#include "view/help_view.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "base/log/message_log.h"
#include "help/help_block.h"
#include "help/help_text.h"
#include "platform/pictures.h"
#include "search/search_pass.h"
#include "text/text_store.h"
#include "view/filter_view.h"
#include "view/frame_layout.h"
#include "view/navigation.h"
#include "view/row_attributes.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"
#include "view/view_scroll.h"

namespace tessel {
namespace {

// Pictures stand two cells in from the left edge, like the text's indented blocks.
constexpr int kPictureIndentCells = 2;
// A large font may enlarge a picture this much at most, a small one shrinks it as needed.
constexpr double kMaxPictureScale = 1.5;

// Nothing may read the store while the help block goes in.
void stopPasses(View& view) {
    if (view.frame) {
        for (auto& each : view.frame->views) {
            if (each) cancelPasses(*each);
        }
    } else {
        cancelPasses(view);
    }
    cancelSearchPasses();
}

// The global lines of the help block, [first, end); empty when the store has none.
struct HelpLines {
    int first = 0;
    int end = 0;
    bool holds(int line) const { return line >= first && line < end; }
};

HelpLines helpLinesIn(TextStore& store) {
    const TextBlock* block = findHelpBlock(store);
    if (!block) return {};
    return {block->firstLine, block->firstLine + block->lineCount};
}

}  // namespace

int openHelp(View& view) {
    TextStore& store = view.textStore();
    if (!findHelpBlock(store)) stopPasses(view);
    const TextBlock* block = loadHelpBlock(store);
    if (!block) return 9;
    if (view.filterMode != FilterMode::kFullText) leaveFilter(view, true);
    historySave(view, "help");
    scrollTo(view, block->firstLine);
    view.search.currentLine = -1;
    view.screen.valid = false;
    if (view.host) view.host->refresh();
    return 0;
}

int showHelpChapter(View& view, int chapter) {
    const int line = helpChapterLine(view.textStore(), chapter);
    if (line < 0) return 1;
    historySave(view, "help");
    scrollTo(view, line);
    view.screen.valid = false;
    if (view.host) view.host->refresh();
    return 0;
}

void markHelpLine(std::string_view line, char* attr) {
    if (helpChapterOf(line) != 0) {
        std::fill(attr, attr + line.size(), kAttrCaption);
        return;
    }
    for (const HelpLink& link : helpLinksOf(line)) {
        std::fill(attr + link.start, attr + link.end, kAttrLink);
    }
}

int helpLinkAt(const View& view, int row, int column) {
    if (view.filterMode != FilterMode::kFullText || row < 0 || row >= kScreenRows) return 0;
    const int line = view.screen.rowLine[static_cast<size_t>(row)];
    TextStore& store = view.textStore();
    if (!helpLinesIn(store).holds(line)) return 0;
    // The help has no TABs: a cell is the byte under it.
    const int offset = column + view.display.scrollColumn;
    for (const HelpLink& link : helpLinksOf(store.lineText(line))) {
        if (offset >= link.start && offset < link.end) return link.chapter;
    }
    return 0;
}

const Picture* helpPicture(std::string_view name) {
    // Decoded once; the help never changes while the program runs.
    static std::map<std::string, std::unique_ptr<Picture>, std::less<>> decoded;
    auto found = decoded.find(name);
    if (found == decoded.end()) {
        auto picture = std::make_unique<Picture>();
        if (decodeJpeg(helpPictureBytes(name), *picture) != 0) picture.reset();
        found = decoded.emplace(std::string(name), std::move(picture)).first;
    }
    return found->second.get();
}

std::vector<HelpPictureShape> helpPictureShapes(const View& view) {
    std::vector<HelpPictureShape> shapes;
    if (view.filterMode != FilterMode::kFullText || view.lineHeight <= 0) return shapes;
    const int rows = std::clamp(view.rows, 0, kScreenRows);
    int firstRow = -1;
    int lastRow = -1;
    for (int row = 0; row < rows; ++row) {
        if (view.screen.rowLine[static_cast<size_t>(row)] < 0) continue;
        if (firstRow < 0) firstRow = row;
        lastRow = row;
    }
    if (firstRow < 0) return shapes;
    TextStore& store = view.textStore();
    const HelpLines help = helpLinesIn(store);
    const int firstLine = view.screen.rowLine[static_cast<size_t>(firstRow)];
    const int lastLine = view.screen.rowLine[static_cast<size_t>(lastRow)];
    const int lh = view.lineHeight;
    const int width = view.clientWidth - 2 * kPictureIndentCells * view.charWidth;
    // A marker above the top still owns the rows below it that are on screen.
    const int from = std::max(help.first, firstLine - kHelpPictureRows);
    const int to = std::min(help.end - 1, lastLine);
    for (int line = from; line <= to; ++line) {
        const std::string_view name = helpPictureOf(store.lineText(line));
        const Picture* picture = name.empty() ? nullptr : helpPicture(name);
        if (!picture || picture->width <= 0 || picture->height <= 0) continue;
        const double scale =
            std::min({kMaxPictureScale, double(kHelpPictureRows * lh) / picture->height,
                      double(std::max(width, 1)) / picture->width});
        HelpPictureShape shape;
        shape.name = name;
        shape.x = (kPictureIndentCells - view.display.scrollColumn) * view.charWidth;
        shape.y = (firstRow + line + 1 - firstLine) * lh;
        shape.width = std::max(1, static_cast<int>(picture->width * scale));
        shape.height = std::max(1, static_cast<int>(picture->height * scale));
        shape.clipTop = firstRow * lh;
        shape.clipBottom = (lastRow + 1) * lh;
        shapes.push_back(shape);
    }
    return shapes;
}

}  // namespace tessel
