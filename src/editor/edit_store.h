// The editor's two ways of changing the text store: committing edit buffers into their blocks
// and reading one block again from its file after a save or revert.
#pragma once

namespace tessel {

class TextStore;
struct TextBlock;

// Rebuilds every block whose edit data changed since its last commit from its edit buffer
// and renumbers the store. 0, 1 when nothing needed it, 9.
int commitEditsToStore(TextStore& store);

// Reads the block again from its file, in the form a load gives it, and renumbers the store.
// This is the one place that stands in for the reload of a single block.
int reloadBlockFromFile(TextStore& store, TextBlock& block);

}  // namespace tessel
