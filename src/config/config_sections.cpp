#include "config/config_sections.h"

#include <algorithm>
#include <vector>

#include "base/log/message_log.h"
#include "config/config_internal.h"
#include "config/qv_config.h"

namespace tessel::configdetail {
namespace {

constexpr size_t kControlFieldChars = 89;
// Past this many invalid lines the rest of a section is skipped instead of reported.
constexpr int kMaxInvalidLines = 100;
constexpr int kMaxControlFields = 10;

// Field names in the order of the variables of a control.
constexpr std::string_view kControlFieldNames[kControlFields] = {
    "type=", "parms=", "views=", "script=", "title="};

int pathIdOf(int position) {
    return kFirstContextId + 2 * position;
}

bool isSkippable(std::string_view content) {
    return content.empty() || content.starts_with("//");
}

// A value written into one line of the file loses any line break.
std::string singleLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

void storeControl(int control, std::string_view fieldsText, ConfigFileState& state) {
    std::string_view rest = fieldsText;
    std::string values[kControlFields];
    while (!rest.empty()) {
        size_t semicolon = rest.find(';');
        std::string_view field = rest.substr(0, semicolon);
        rest =
            semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
        for (int f = 0; f < kControlFields; ++f) {
            if (!field.starts_with(kControlFieldNames[f])) continue;
            std::string value = unescapeControlField(field.substr(kControlFieldNames[f].size()));
            if (value.size() > kControlFieldChars) {
                logMessage("[note] control field cut to %zu characters: %.30s", kControlFieldChars,
                           value.c_str());
                value.resize(kControlFieldChars);
            }
            values[f] = f == 0 ? controlTypeFromName(value) : value;
            break;
        }
    }
    for (int f = 0; f < kControlFields; ++f) {
        config().setVar(kFirstVariableId + kControlFields * control + f, values[f]);
    }
    if (values[0] == "3" && values[4].find("num") != std::string::npos &&
        !state.numericKeypadNoted) {
        state.numericKeypadNoted = true;
        logMessage("[note] numeric keypad is used for user functions.");
        logMessage("... due to hotkey \"%.20s\"", values[4].c_str());
    }
}

int countFields(std::string_view fieldsText) {
    int count = 0;
    size_t start = 0;
    while (start < fieldsText.size() && count < kMaxControlFields) {
        size_t semicolon = fieldsText.find(';', start);
        if (semicolon == std::string_view::npos) semicolon = fieldsText.size();
        if (semicolon > start) ++count;
        start = semicolon + 1;
    }
    return count;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        TextLine line = lineAt(text, pos);
        lines.push_back(line.raw.substr(0, line.raw.find('\r')));
        pos = line.next;
    }
    return lines;
}

size_t indentOf(std::string_view line) {
    size_t indent = line.find_first_not_of(" \t");
    return indent == std::string_view::npos ? line.size() : indent;
}

// Calls `each` with every line of a section that is not blank or a remark, until it
// returns false.
template <typename Each>
void forEachSectionLine(std::string_view inner, Each each) {
    size_t pos = 0;
    while (pos < inner.size()) {
        TextLine line = lineAt(inner, pos);
        pos = line.next;
        if (isSkippable(line.content)) continue;
        if (!each(line.content)) return;
    }
}

// Counts a line a section cannot use; false once there were too many to go on.
bool countInvalid(int& invalid, const char* section) {
    if (++invalid <= kMaxInvalidLines) return true;
    logMessage("[error] too many invalid lines within <%s>", section);
    return false;
}

void reportLine(const char* what, std::string_view content) {
    logMessage("[error] %s", what);
    logMessage("[error] %.150s", std::string(content).c_str());
}

}  // namespace

void readContextSection(std::string_view inner) {
    int position = 0;
    int invalid = 0;
    forEachSectionLine(inner, [&](std::string_view content) {
        bool isPath = content == "qvctxpath" || content.starts_with("qvctxpath ");
        bool isFind = content == "qvctxfind" || content.starts_with("qvctxfind ");
        if (!isPath && !isFind) {
            if (!countInvalid(invalid, "QVContext")) return false;
            reportLine("invalid line within <QVContext>:", content);
            return true;
        }
        if (position >= kContextSlotPositions) {
            logMessage("[error] too many <QVContext> entries");
            return false;
        }
        std::string_view value = content.size() > 10 ? content.substr(10) : std::string_view();
        config().setText(pathIdOf(position) + (isFind ? 1 : 0), value);
        if (isFind) {
            do {
                ++position;
            } while (position < kContextSlotPositions && !isContextSlot(position));
        }
        return true;
    });
}

void readControlsSection(std::string_view inner, ConfigFileState& state) {
    int control = 0;
    int invalid = 0;
    forEachSectionLine(inner, [&](std::string_view content) {
        bool isControl = content == "control" || content.starts_with("control ");
        std::string_view fields =
            isControl && content.size() > 8 ? content.substr(8) : std::string_view();
        int count = countFields(fields);
        if ((!isControl || count < kControlFields) && !countInvalid(invalid, "QVControls")) {
            return false;
        }
        if (!isControl) {
            reportLine("invalid line within <QVControls>:", content);
            return true;
        }
        if (count < kControlFields) {
            logMessage("[error] wrong format %d after control:", count);
            logMessage("[error] %.150s", std::string(content).c_str());
            return true;
        }
        if (control >= kMaxControls) {
            logMessage("[error] too many <QVControls> entries");
            return false;
        }
        storeControl(control++, fields, state);
        return true;
    });
}

int readScriptsSection(std::string_view inner, ConfigFileState& state, bool apply) {
    std::vector<std::string_view> lines = splitLines(inner);
    size_t i = 0;
    while (i < lines.size() && trimTrailing(lines[i]).empty()) ++i;
    int script = 0;
    while (i < lines.size()) {
        std::string_view header = trimTrailing(lines[i]);
        if (!header.starts_with("script id=")) {
            if (apply) {
                logError(0, "wrong syntax in <QVScripts> in config:");
                logMessage("[blue] %.50s", std::string(header).c_str());
            }
            return 1;
        }
        if (script >= kMaxScripts) {
            if (apply) logError(0, "too many scripts in <QVScripts> of config");
            return 1;
        }
        size_t end = i + 1;
        while (end < lines.size() && !lines[end].starts_with("script")) ++end;
        if (apply) {
            std::string_view rest = header.substr(10);
            size_t countAt = rest.find(";cnt=");
            std::string_view id = rest.substr(0, countAt);
            std::string_view count = countAt == std::string_view::npos ? std::string_view("0")
                                                                       : rest.substr(countAt + 5);
            if (count.empty()) count = "0";
            // The writer indents every line; the first line with text shows by how much.
            size_t indent = i + 1 < end ? indentOf(lines[i + 1]) : 0;
            for (size_t k = i + 1; k < end; ++k) {
                if (!trimTrailing(lines[k]).empty()) {
                    indent = indentOf(lines[k]);
                    break;
                }
            }
            std::string text;
            for (size_t k = i + 1; k < end; ++k) {
                std::string_view body = lines[k];
                body.remove_prefix(std::min({indent, indentOf(body), body.size()}));
                if (k > i + 1) text += "\r\n";
                text += body;
            }
            int base = kFirstScriptId + kScriptFields * script;
            config().setVar(base, id);
            config().setVar(base + 1, text);
            config().setVar(base + 2, count);
            state.maxScriptCount =
                std::max(state.maxScriptCount, static_cast<int>(decimalValueOf(count)));
        }
        ++script;
        i = end;
    }
    return 0;
}

void writeContextSection(std::string& out) {
    const QVConfig& store = config();
    // Rules are written up to the last one in use or with a built-in default, so that a
    // default rule the user cleared stays cleared.
    int last = 0;
    for (int rule = 1; rule <= kContextRules; ++rule) {
        int pathId = pathIdOf(contextSlotOfRule(rule));
        const SettingDescriptor* path = store.descriptor(pathId);
        const SettingDescriptor* match = store.descriptor(pathId + 1);
        bool inUse = store.getText(pathId)[0] != '\0' || store.getText(pathId + 1)[0] != '\0';
        bool hasDefault = (path != nullptr && path->caption[0] != '\0') ||
                          (match != nullptr && match->caption[0] != '\0');
        if (inUse || hasDefault) last = rule;
    }
    out += "<QVContext>\r\n";
    for (int rule = 1; rule <= last; ++rule) {
        int pathId = pathIdOf(contextSlotOfRule(rule));
        out += "qvctxpath " + singleLine(store.getText(pathId)) + "\r\n";
        out += "qvctxfind " + singleLine(store.getText(pathId + 1)) + "\r\n";
    }
    out += "</QVContext>\r\n";
}

void writeControlsSection(std::string& out) {
    const QVConfig& store = config();
    auto field = [&store](int control, int f) -> const std::string& {
        return store.getVar(kFirstVariableId + kControlFields * control + f);
    };
    int last = -1;
    for (int control = 0; control < kMaxControls; ++control) {
        if (!field(control, 0).empty()) last = control;
    }
    out += "\r\n<QVControls>\r\n";
    // Free slots up to the last control are written too: bookmark entries refer to
    // controls by number.
    for (int control = 0; control <= last; ++control) {
        out += "control type=" + escapeControlField(controlTypeName(field(control, 0)));
        out += ";views=" + escapeControlField(field(control, 2));
        out += ";script=" + escapeControlField(field(control, 3));
        out += ";title=" + escapeControlField(field(control, 4));
        out += ";parms=" + escapeControlField(field(control, 1));
        out += "\r\n";
    }
    out += "</QVControls>\r\n";
}

void writeScriptsSection(std::string& out) {
    const QVConfig& store = config();
    out += "\r\n<QVScripts>\r\n";
    for (int script = 0; script < kMaxScripts; ++script) {
        int base = kFirstScriptId + kScriptFields * script;
        const std::string& id = store.getVar(base);
        if (id.empty()) continue;
        const std::string& count = store.getVar(base + 2);
        out += "script id=" + singleLine(id) + ";cnt=" + (count.empty() ? "0" : singleLine(count));
        out += "\r\n";
        std::string_view text = store.getVar(base + 1);
        if (text.empty()) continue;
        std::string_view lastLine;
        size_t pos = 0;
        while (pos <= text.size()) {
            size_t lf = text.find('\n', pos);
            std::string_view line =
                text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
            if (line.ends_with('\r')) line.remove_suffix(1);
            if (!line.empty()) out += "   ";
            out += singleLine(line);
            out += "\r\n";
            lastLine = line;
            if (lf == std::string_view::npos) break;
            pos = lf + 1;
        }
        if (!lastLine.empty()) out += "\r\n";
    }
    out += "</QVScripts>\r\n";
}

std::string escapeControlField(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == ';') {
            escaped += "\\x3b";
        } else if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\r' || c == '\n') {
            escaped += ' ';
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string unescapeControlField(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            plain += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() &&
                   (text[i + 1] == 'x' || text[i + 1] == 'X') && text[i + 2] == '3' &&
                   (text[i + 3] == 'b' || text[i + 3] == 'B')) {
            plain += ';';
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

std::string controlTypeFromName(std::string_view text) {
    if (text == "action") return "1";
    if (text == "scope") return "2";
    if (text == "hotkey") return "3";
    if (text == "book") return "4";
    return std::string(text);
}

std::string controlTypeName(std::string_view type) {
    if (type == "1") return "action";
    if (type == "2") return "scope";
    if (type == "3") return "hotkey";
    if (type == "4") return "book";
    return std::string(type);
}

}  // namespace tessel::configdetail
