// A view's window without a display: a settable clock, recorded timers, a count of repaints
// and a user interface queue that the test drains when it wants the passes' results.
#pragma once

#include <functional>

#include "test_support.h"
#include "view/search_driver.h"
#include "view/view.h"
#include "view/view_host.h"

namespace tessel::testing {

class FakeViewHost : public ViewHost {
  public:
    int64_t nowMs() override { return now; }
    void armSearchTimer(int delayMs) override {
        armed = delayMs;
        ++timersArmed;
    }
    void killSearchTimer() override { armed = -1; }
    void postToUi(std::function<void()> task) override { ui.post(std::move(task)); }
    void refresh() override { ++refreshes; }
    void repaint() override {}
    void armResetTimer(int delayMs) override { resetArmed = delayMs; }

    int drain() { return ui.drain(); }

    int64_t now = 100000;
    int armed = -1;  // the search timer's delay, -1 while it is not armed
    int timersArmed = 0;
    int resetArmed = -1;
    int refreshes = 0;
    UiQueue ui;
};

// Makes the host the view's window for the life of the guard; as a window does, it stops the
// view's passes before it goes.
class HostedView {
  public:
    HostedView(View& view, ViewHost& host) : view_(view) { view_.host = &host; }
    ~HostedView() {
        cancelPasses(view_);
        view_.host = nullptr;
    }
    HostedView(const HostedView&) = delete;
    HostedView& operator=(const HostedView&) = delete;

  private:
    View& view_;
};

}  // namespace tessel::testing
