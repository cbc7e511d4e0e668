#include <string>

#include "base/log/message_log.h"
#include "editor/edit_session.h"
#include "editor/editor.h"

namespace tessel {

// Takes back the most recent step of the shared ring. Every position is tested before
// anything moves; a failed test reports its number and leaves buffer and ring unchanged.
int Editor::undo() {
    if (!data || !data->text) return 9;
    UndoRing& ring = data->undo;
    int slot = ring.lastSlot();
    UndoStep& step = ring.steps[static_cast<size_t>(slot)];
    if (step.kind == 0) {
        statusInfo().showBlue("no further undo steps.", true, false);
        return 1;
    }
    EditData& d = *data;
    auto length = static_cast<long>(step.length);
    auto offset = static_cast<long>(step.offset);
    auto breaks = static_cast<long>(step.lineBreaks);
    EditPosition at{step.line, step.column};
    int result = 0;
    switch (step.kind) {
        case kUndoInsert:
            logMessage("unins by delete len=%ld off=%ld lines=%ld", length, offset, breaks);
            if (step.offset < 0 || step.offset > d.length) {
                logError(0, "internal #2010192541");
                return 9;
            }
            if (step.offset + step.length > d.length) {
                logError(0, "internal #2010192542");
                return 9;
            }
            if (d.lineCount - kExtraLines < step.lineBreaks) {
                logError(0, "internal #2010192543");
                return 9;
            }
            result = d.splice(step.offset, step.length, {}, at, this);
            break;
        case kUndoDelete:
            logMessage("undel by insert len=%ld off=%ld lines=%ld", length, offset, breaks);
            if (step.offset < 0 || step.offset > d.length) {
                logError(0, "internal #2010192544");
                return 9;
            }
            result = d.splice(step.offset, 0, step.bytes(), at, this, &step.crBeforeLf);
            break;
        case kUndoOverwrite:
            logMessage("unwrite by insert len=%ld off=%ld lines=%ld", length, offset, breaks);
            if (step.offset < 0 || step.offset >= d.length || step.length != 1) {
                logError(0, "internal #2010192555");
                return 9;
            }
            result = d.overwriteByte(step.offset, step.bytes()[0], at, this);
            if (result == 0 && d.mixedLineEnds && step.crBeforeLf.size() == 1) {
                auto index = static_cast<size_t>(at.line - kFirstTextLine);
                if (index < d.crBeforeLf.size()) d.crBeforeLf[index] = step.crBeforeLf[0];
            }
            break;
        default:
            logError(0, "internal #2010192556");
            return 9;
    }
    if (result != 0) return 9;
    cache.clear();
    setCursor(at);
    view->selection.clear();
    if (d.lineCount != step.linesBefore) {
        logError(0, "total lines mismatch after undo (%ld/%ld)", static_cast<long>(d.lineCount),
                 static_cast<long>(step.linesBefore));
    }
    step.clear();
    ring.head = slot;
    if (EditHost* host = editing().host) host->textChanged();
    return checkIntegrity("undo", 0);
}

}  // namespace tessel
