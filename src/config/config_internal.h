// Pieces shared by the configuration reader, writer and location code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/blanks.h"
#include "config/config_file.h"

namespace tessel::configdetail {

// One line of a configuration text: raw runs to the LF (exclusive); content is raw cut at
// its first CR and without trailing blanks and tabs.
struct TextLine {
    std::string_view raw;
    std::string_view content;
    size_t next;  // offset of the following line
};
TextLine lineAt(std::string_view text, size_t pos);
std::string_view trimTrailing(std::string_view text);

// A keyword line: keyword, blanks or tabs, value, and an optional trailing remark (the
// text from the blanks before the last "//" on, when the value is longer than one
// character).
struct KeywordLine {
    std::string_view key;
    std::string_view value;
    std::string_view remark;
};
KeywordLine splitKeywordLine(std::string_view content);

// Walks the configuration text of state. With apply, every line takes effect and errors
// are reported; without, only the line map and section ranges are rebuilt, silently (after
// a save, for the text just written). Result 0, or 1 when a structural error stopped it.
int walkConfigText(ConfigFileState& state, bool apply);

// The setting id a keyword's line belongs to (table rows, special ids, case/accent/punct),
// 0 for keywords whose lines the writer never replaces.
int lineIdOfKeyword(std::string_view key);

// Field escaping of the controls section.
std::string escapeControlField(std::string_view text);
std::string unescapeControlField(std::string_view text);
// "1" ... "4" from a type name or digit; other texts stay as they are.
std::string controlTypeFromName(std::string_view text);
std::string controlTypeName(std::string_view type);

// Reading a whole file: kOk, kMissing (no such file), kUnreadable (reported).
enum class FileRead { kOk, kMissing, kUnreadable };
FileRead readWholeFile(const std::string& path, std::string& out, int64_t& modificationTime);

// Writes data to a temporary file beside path and renames it over path, so the previous
// file stays intact unless the new one was written completely. 0, kWriteCannotOpen or
// kWriteFailed; error receives the system's reason.
int replaceFile(const std::string& path, std::string_view data, std::string& error);

bool isRegularFile(const std::string& path);
// The folder of a configuration file may not exist yet (~/.config/tessel on first use).
void createParentFolders(const std::string& path);
bool isDirectory(const std::string& path);

}  // namespace tessel::configdetail
