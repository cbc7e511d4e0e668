// Network text in the window: the receiver started with the program, the netlog text put
// into the store when the first lines arrive, the views following its newest lines on the
// first view's timer, CONTROL+K and CONTROL+SHIFT+K, the restart through the reload scan,
// and the words of the "netlog" script command.
//
// Everything here runs on the user interface thread; the receiver thread only writes the
// ring and tells of it through NetTextReceiver::takeNews.
#pragma once

#include <cstdint>

#include "config/script_host.h"

namespace tessel {

class View;
struct StartupOptions;

// Searches of views with masks and filtered lists catch up with the news on every fifth
// tick of the first view's timer (kFirstViewTimerMs).
inline constexpr int kNetFilteredViewTickEvery = 5;

// Start-up, after the first view exists: the "-net" flags ("ip", "sip", "local") and, when
// network text is on, the receiver started. The scan restart is connected as well.
void startNetText(const StartupOptions& options);
// The end of start-up: with "-net" the netlog is shown in the focused view; the status line
// tells of an alternative port ("Network Text uses alternative port %d.") or of a failure
// ("Network Text Error. %s").
void finishNetTextStartup(const StartupOptions& options);
// Stops the receiver before the store goes.
void stopNetText();

// "loadnetlog": the ring block appended to the store (once), the views keeping their lines.
// 0, or 9 after the receiver's message.
int loadNetlog();
// Puts the view at the netlog's newest lines and lets it follow them from now on. 0 or 9.
int showNetlog(View& view);

// The first view's timer: news of the receiver shown in every view.
void netViewTick(View& view);
// CONTROL+K (show the netlog) and CONTROL+SHIFT+K (switch network text on and follow it).
// 0 taken, 1 not ours.
int netChar(View& view, uint8_t ch, int modifiers);
// The "netlog" script command: 0, kNetlogDisabled, or 9 after a message.
int runNetlogCommand(View& view, NetlogCommand command);

}  // namespace tessel
