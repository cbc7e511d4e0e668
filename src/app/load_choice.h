// Which text start-up loads: the intro text only, one snapfile read line by line, or a
// file set (folders, files and masks) through the folder loader.
#pragma once

#include <string>
#include <vector>

namespace tessel {

class TextStore;

enum class LoadKind { kIntro, kSnapfile, kFileSet };

struct LoadChoice {
    LoadKind kind = LoadKind::kIntro;
    std::vector<std::string> words;  // the argument split at blanks outside quotes
    std::string argument;            // the argument with the first word cleaned up
    std::string startFolder;         // set when the only word names a folder
    bool help = false;               // the argument asked for help and was consumed
};

// Splits words at blanks outside double quotes; quotes around a word are removed.
std::vector<std::string> splitLoadArgument(const std::string& argument);

// Decides the load from the rest of the command line (the file system is consulted for a
// single word: a folder, or a file whose first line is a snapfile header).
LoadChoice chooseLoad(const std::string& argument);

// Runs the chosen load into the store and ends it with TextStore::finish. 0 loaded; other
// codes end start-up after their message box was shown.
int runStartupLoad(const LoadChoice& choice, TextStore& store);

}  // namespace tessel
