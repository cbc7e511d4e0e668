// Popup menus. In non-interactive runs the menu is logged and answered from a queue, so that a
// script can choose an entry without a user.
#include <QCursor>
#include <QMenu>
#include <deque>
#include <mutex>
#include <string>

#include "base/log/message_log.h"
#include "platform/platform.h"
#include "platform/qt_internal.h"

namespace tessel {
namespace {

struct MenuState {
    std::mutex lock;
    std::deque<int> answers;
};

MenuState& menuState() {
    static MenuState state;
    return state;
}

int answerWithoutUser(const std::vector<std::string>& items) {
    int answer = -1;
    {
        std::lock_guard<std::mutex> hold(menuState().lock);
        auto& queue = menuState().answers;
        // An answer outside the menu is used up but counts as closing it, so that a script's
        // answers stay in step with its menus.
        if (!queue.empty()) {
            if (queue.front() >= 0 && static_cast<size_t>(queue.front()) < items.size())
                answer = queue.front();
            queue.pop_front();
        }
    }
    logMessage("[blue] menu of %zu entries -> %.160s", items.size(),
               answer < 0 ? "cancelled" : items[static_cast<size_t>(answer)].c_str());
    return answer;
}

}  // namespace

void queueMenuAnswer(int index) {
    std::lock_guard<std::mutex> hold(menuState().lock);
    menuState().answers.push_back(index);
}

void clearMenuAnswers() {
    std::lock_guard<std::mutex> hold(menuState().lock);
    menuState().answers.clear();
}

int popupMenu(const std::vector<std::string>& items) {
    if (items.empty()) return -1;
    if (nonInteractive() || !platformRunning() || !onUiThread()) return answerWithoutUser(items);
    QMenu menu;
    for (size_t i = 0; i < items.size(); ++i) {
        QAction* action = menu.addAction(qt::fromCodePage(items[i]));
        action->setData(static_cast<int>(i));
    }
    QAction* chosen = menu.exec(QCursor::pos());
    if (!chosen) return -1;
    bool ok = false;
    const int index = chosen->data().toInt(&ok);
    return ok && index >= 0 && static_cast<size_t>(index) < items.size() ? index : -1;
}

}  // namespace tessel
