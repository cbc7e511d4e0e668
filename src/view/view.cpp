#include "view/view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/codepage/code_page_tables.h"
#include "base/codepage/text_cells.h"
#include "base/log/message_log.h"
#include "config/app_settings.h"
#include "config/qv_config.h"
#include "view/frame_layout.h"
#include "view/view_host.h"

namespace tessel {
namespace {

constexpr int kDefaultTabSize = 3;
constexpr int kDefaultLockRows = 3;
constexpr int kMaxExpandWeight = 2000;
constexpr int kDefaultExpandStep = 200;

bool setting(const char* key) {
    return config().getInt(key) != 0;
}

template <size_t kBytes>
void copyRow(std::array<char, kBytes>& row, std::string_view text) {
    static_assert(kBytes > kScreenColumns);
    size_t length = std::min(text.size(), static_cast<size_t>(kScreenColumns));
    if (kBytes > kScreenRowBytes && codePageTables().utf8) {
        length = std::min(cutAtCells(text, kScreenColumns, true), kBytes - 1);
        length = cutAtCharacter(text, length, true);
    }
    // An empty view may carry a null pointer, which memcpy must never see.
    if (length > 0) std::memcpy(row.data(), text.data(), length);
    row[length] = '\0';
}

}  // namespace

int ScreenBuffer::writeRow(int row, std::string_view rowText, std::string_view rowAttr,
                           uint8_t flag) {
    if (row < 0 || row >= kScreenRows) return 1;
    size_t r = static_cast<size_t>(row);
    writtenRows = std::max(writtenRows, row + 1);
    copyRow(text[r], rowText);
    copyRow(attr[r], rowAttr);
    flags[r] = flag;
    maskStart[r] = maskEnd[r] = 0;
    return 0;
}

void ScreenBuffer::setMaskColumns(int row, int start, int end) {
    if (row < 0 || row >= kScreenRows) return;
    const auto r = static_cast<size_t>(row);
    maskStart[r] = static_cast<int16_t>(std::clamp(start, 0, kScreenColumns));
    maskEnd[r] = static_cast<int16_t>(std::clamp(end, int{maskStart[r]}, kScreenColumns));
}

const char* ScreenBuffer::rowText(int row) const {
    if (row < 0 || row >= kScreenRows) return "";
    return text[static_cast<size_t>(row)].data();
}

size_t ScreenBuffer::byteOfCell(int row, int column) const {
    const std::string_view shown(rowText(row));
    return std::min(tessel::byteOfCell(shown, std::max(column, 0), codePageTables().utf8),
                    shown.size());
}

const char* ScreenBuffer::rowAttr(int row) const {
    if (row < 0 || row >= kScreenRows) return "";
    return attr[static_cast<size_t>(row)].data();
}

void ScreenBuffer::reset() {
    // Rows never written stay untouched zero pages.
    for (size_t r = 0; r < static_cast<size_t>(writtenRows); ++r) {
        text[r][0] = '\0';
        attr[r][0] = '\0';
    }
    writtenRows = 0;
    flags.fill(0);
    maskStart.fill(0);
    maskEnd.fill(0);
    valid = false;
}

View::View(FrameLayout* owner) : frame(owner) {
    search.currentLine = -1;
    search.lockRows = kDefaultLockRows;
    applySettings();
}

View::~View() = default;

void View::applySettings() {
    const AppSettings& app = appSettings();
    SearchSettings s;
    s.caseSearch = setting("casesearch");
    s.accentSearch = setting("accentsearch");
    s.punctSearch = setting("punctsearch");
    s.searchSeq = setting("searchseq");
    s.allowOps = setting("allowops");
    s.autoFilter = setting("autofilter");
    s.exitFilterOnSingleHit = app.exitFilterOnSingleHit;
    s.searchDelay = app.searchDelay;
    s.enableMouseBookDelay = setting("enableMouseBookDelay");
    s.mouseBookDelay = app.mouseBookDelay;
    s.oneClickSearchDelay = app.oneClickSearchDelay;
    s.autoResetFindMs = app.autoResetFindMs;
    s.fastLoad = app.fastLoad;
    search.applySettings(s);
    oneClickSearch = setting("oneclicksearch");
    highResultLine = setting("highresultline");
    markExcluded = setting("markexcluded");
    textOverBookmarks = setting("textoverbook") ? 0 : 2;
    tabSize = resolveTabSize(0);
}

int View::resolveTabSize(int storedForText) const {
    if (appSettings().tabSize > 0) return appSettings().tabSize;
    if (storedForText > 0) return storedForText;
    return kDefaultTabSize;
}

std::string View::title(bool sameTitle) const {
    if (index == 0 || sameTitle) return "tessel";
    return std::string("tessel_") + indexText;
}

void View::setIndex(int newIndex) {
    index = newIndex;
    std::snprintf(indexText, sizeof indexText, "%d", newIndex + 1);
}

int View::setrelpos(int64_t x, int64_t y, int64_t width, int64_t height) {
    auto shown = [](int64_t value) { return static_cast<long long>(value / 1000); };
    if (x < 0 || x > kRelUnits || y < 0 || y > kRelUnits) {
        logError(0, "setrelpos: wrong position x=%lld y=%lld w=%lld h=%lld", shown(x), shown(y),
                 shown(width), shown(height));
        return 9;
    }
    // Each bound is checked on its own first so that the sums below cannot overflow.
    if (width < 0 || width > kRelUnits || height < 0 || height > kRelUnits ||
        x + width > kRelUnits || y + height > kRelUnits) {
        logError(0, "setrelpos: wrong size x=%lld y=%lld w=%lld h=%lld", shown(x), shown(y),
                 shown(width), shown(height));
        return 9;
    }
    relX = x;
    relY = y;
    relWidth = width;
    relHeight = height;
    return 0;
}

View* View::rightNeighbour() const {
    if (!frame) return nullptr;
    int count = frame->viewCount();
    if (index < 0 || index >= count || frame->viewAt(index) != this) {
        logError(0, "rview index error %d %d", index, count);
        return nullptr;
    }
    if (index + 1 >= count) return nullptr;
    View* right = frame->viewAt(index + 1);
    if (!right) {
        logError(0, "int. #21560624");
        return nullptr;
    }
    if (right->index != index + 1) {
        logError(0, "rview index error %d %d", right->index, index + 1);
        return nullptr;
    }
    return right;
}

int View::expandOrRaise(bool noRaise) {
    if (!frame || !appSettings().doubleClickExpand) return 1;
    FrameLayout& layout = *frame;
    int covered = layout.findCoveringWindow();
    int count = layout.viewCount();
    bool restored = false;
    if (count > 1) {
        for (auto& view : layout.views) {
            if (view->maximized) {
                view->maximized = false;
                restored = true;
            }
        }
    }
    if (!noRaise) {
        for (auto& view : layout.views) {
            if (view.get() != this && view->host) view->host->raise();
        }
        if (host) host->raise();
    }
    if (covered >= 0 && traceMode()) {
        logMessage("[blue] view %d is covered by: %.20s", covered + 1,
                   layout.coveringTitle.c_str());
    }
    if (covered >= 0 || restored || count <= 2 || index == 0) {
        if (restored) {
            layout.distributeShares();
            layout.placeViews();
        }
        return restored ? 0 : 1;
    }
    if (View* right = rightNeighbour()) {
        int step = appSettings().expandWeightPerMille;
        if (step < 100 || step > 500) step = kDefaultExpandStep;
        bool allEqual = std::all_of(layout.views.begin(), layout.views.end(), [&](auto& view) {
            return view->weight == layout.views.front()->weight;
        });
        if (!allEqual) {
            for (auto& view : layout.views) view->weight = kDefaultWeight;
        } else {
            if (weight < kMaxExpandWeight) weight += step;
            if (right->weight >= step) right->weight -= step;
        }
    }
    layout.distributeShares();
    layout.placeViews();
    return 0;
}

}  // namespace tessel
