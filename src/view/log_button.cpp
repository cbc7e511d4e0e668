#include "view/log_button.h"

#include "platform/key_codes.h"
#include "platform/platform.h"
#include "base/log/message_log.h"
#include "view/log_overlay.h"
#include "view/view.h"

namespace tessel {

bool logButtonAt(const View& view, int x, int y, int messageHeight) {
    const OverlayFrame frame = overlayFrameOf(view, messageHeight);
    if (!overlayShown(frame)) return false;
    const int left = logButtonLeft(frame);
    const int top = overlayBaseLine(frame);
    return x >= left && x < left + kLogButtonSize && y >= top && y < top + kLogButtonSize;
}

bool logButtonHover(bool entering) {
    MessageLog& log = messageLog();
    if (entering && log.displayMode == 0) {
        log.displayMode = 1;
        log.wide = true;
        return true;
    }
    if (!entering && log.displayMode == 1) {
        log.displayMode = 0;
        log.wide = false;
        return true;
    }
    return false;
}

LogCopy takeLogForClipboard() {
    MessageLog& log = messageLog();
    LogCopy copy;
    if (log.hasSnapshot()) {
        copy.text = log.snapshot();
        copy.status = "recent log snapshot copied to clip.";
    } else {
        copy.text = log.takeSnapshot();
        copy.status = "log copied to clipboard.";
    }
    log.freeSnapshot();
    return copy;
}

bool logButtonClick(bool rightButton, int modifiers) {
    MessageLog& log = messageLog();
    if (rightButton) {
        const LogCopy copy = takeLogForClipboard();
        setClipboardText(copy.text);
        statusInfo().showBlue(copy.status, false, false);
        return true;
    }
    if (modifiers & kModControl) {
        setTraceMode(!traceMode());
        showStatusInfo(traceMode() ? "Trace mode on" : "Trace mode off", true, false);
        return true;
    }
    if ((modifiers & kModShift) && log.displayMode == 2) {
        log.wide = !log.wide;
        return true;
    }
    if (log.displayMode == 2) {
        log.displayMode = 0;
        log.wide = false;
    } else {
        log.displayMode = 2;
        log.wide = true;
    }
    showStatusInfo("", false, true);
    return true;
}

}  // namespace tessel
