#include "view/block_context.h"

#include <algorithm>
#include <string_view>

#include "base/log/message_log.h"
#include "text/text_store.h"
#include "view/frame_layout.h"
#include "view/row_attributes.h"
#include "view/screen_builder.h"
#include "view/view.h"
#include "view/view_host.h"
#include "zukmatch/context_scan.h"

namespace tessel {

void updateBlockContext(View& view) {
    ContextViewState state;
    // The context row covers the row of topLine, so the scan starts at the line below it.
    // The rows kept for the sidebar buttons push the text down instead of covering lines:
    // no other line is hidden.
    state.topLine = view.search.topLine;
    state.reservedRows = 0;
    state.editorActive = view.editor != nullptr;
    state.normalView = view.filterMode == FilterMode::kFullText;
    // The help has its chapters, not blocks of code.
    TextStore& store = view.textStore();
    if (state.topLine >= 0 && state.topLine < store.lineCount()) {
        const TextBlock* block = store.blockForLine(state.topLine);
        if (block && block->helpText) state.normalView = false;
    }
    ContextFound found = prepareContext(view.textStore(), state);
    view.context.line = found.line;
    view.context.text = std::move(found.text);
    view.context.elapsedUs = found.elapsedUs;
}

bool writeBlockContextRow(View& view, int row, int columns) {
    if (view.context.line < 0 || view.context.text.empty()) return false;
    std::string_view text = view.context.text;
    // The head's start says most; a longer one loses its end.
    if (static_cast<int>(text.size()) > columns) text = text.substr(0, std::max(columns, 0));
    view.screen.writeRow(row, text, std::string(text.size(), kAttrContextLine), kRowBlockContext);
    return true;
}

void toggleBlockRadar(View& view) {
    const bool on = !contextSwitch();
    setContextSwitch(on);
    logMessage(on ? "block radar on" : "block radar off");
    // The switch is the program's, so every view draws again.
    view.screen.valid = false;
    if (!view.frame) return;
    for (auto& each : view.frame->views) {
        each->screen.valid = false;
        if (each->host) each->host->refresh();
    }
}

}  // namespace tessel
