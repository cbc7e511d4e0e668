// The help as a text of the store: the block "// help", appended after whatever is loaded,
// searched and filtered like any file. It is marked as the help text, so the editor leaves
// it alone, and its lines carry the help's file kind, by which the renderer knows them.
#pragma once

namespace tessel {

class TextStore;
struct TextBlock;

// The store's help block, null when it has none.
TextBlock* findHelpBlock(TextStore& store);
// Appends the help block unless the store holds one already, and renumbers the store. The
// caller has stopped every pass over the store. The block, or null after a failure
// (reported).
TextBlock* loadHelpBlock(TextStore& store);
// The global line of the head of chapter `chapter` in the help block, -1 when none.
int helpChapterLine(TextStore& store, int chapter);

}  // namespace tessel
