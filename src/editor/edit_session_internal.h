// Helpers shared by the session files of the editor module.
#pragma once

#include <cstdint>

namespace tessel {

class EditData;
class Editor;
struct TextBlock;

// Shows a status text and keeps it for the given time.
void showStatusFor(const char* text, int64_t milliseconds);
// Tells the views to redraw.
void notifyViews();
EditData* editDataOf(const TextBlock* block);
// Reads the buffer again from the file (changes dropped); editors keep valid cursors.
int revertBuffer(EditData& data, TextBlock& block);
// The "Save As" dialog for an untitled text: 0 named, 1 cancelled.
int askForSaveName(TextBlock& block);
// The full integrity check (a problem is told, the text still written), then the write.
int saveWithCheck(Editor& editor);

}  // namespace tessel
