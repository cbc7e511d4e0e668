// Following the file of a view's current line as it grows (SHIFT+F6, or "follow the current
// file as it grows" in the load menu). A view at the end of the text stays at the end.
#pragma once

#include <functional>

namespace tessel {

class View;
class TextStore;
struct TextBlock;

// Runs `change` on the store's block `index` with the views kept on their lines; a view that
// showed the end of the text stays at the end. `change` returns whether the block changed.
void changeBlockInViews(TextStore& store, int index, const std::function<bool(TextBlock&)>& change);

// Switches following on for the file at the view's current (or top) line, or off. 0 done.
int toggleFollow(View& view);
// SHIFT+F6. 0 taken, 1 not ours.
int followKeyDown(View& view, int key, int modifiers);
// Looks at every followed file once (the follow timer).
void followTick();
void uninstallLiveFollow();

}  // namespace tessel
