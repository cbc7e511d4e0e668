// Standard input shown as the text "// stdin" while it arrives: a timer on the user interface
// thread moves the lines the reader thread collected into the text, and views at the end of
// the text stay at the end, as with a followed file. A closed pipe ends the text.
#pragma once

#include <string>

namespace tessel {

// Whether the load argument asks for standard input: "-", or nothing while standard input is
// a pipe or a file.
bool startupReadsStdin(const std::string& loadArgument);

// Adds the "// stdin" text to the store and starts reading into it. 0 started, 9 reported.
int startStdinText();
// Whether standard input may still bring lines (the batch driver waits on it).
bool stdinTextOpen();
void uninstallLiveStdin();

}  // namespace tessel
