// Output templates: literal text and references to the parts a match collected ("[part 2]",
// "[parts 2-4]", "[parts 1,3]", "[strip(part 2,\0)]", "[all]"), compiled in the building
// pass and rendered into the shared output buffer after a match.
#include <cstring>
#include <string_view>

#include "zukmatch/zuk_compiler.h"

namespace tessel {

namespace {

bool readNumber(std::string_view text, size_t& pos, int& value) {
    int64_t number = 0;
    bool any = false;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = std::min<int64_t>(number * 10 + (text[pos] - '0'), 1000000000);
        ++pos;
        any = true;
    }
    value = static_cast<int>(number);
    return any;
}

void skipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
}

}  // namespace

int ZukCompiler::buildTemplate() {
    m.copyAll_ = display == "[all]";
    size_t pos = 0;
    while (pos < display.size()) {
        int status = 0;
        if (display[pos] == '[') {
            status = parseOutputCommand(pos);
        } else if (display[pos] == ']') {
            zukReport("found ] without [: %s", zukRest(display, pos).c_str());
            status = kZukSyntaxError;
        } else {
            status = parseOutputLiteral(pos);
        }
        if (status != 0) return status;
    }
    int64_t size = 0;
    for (const ZukOutputToken& entry : m.output_) {
        size += entry.kind == ZukOutputKind::kLiteral ? static_cast<int64_t>(entry.literal.size())
                                                      : m.tokens_[entry.part - 1].maxCount;
    }
    if (!m.tokens_.empty() && m.tokens_.back().kind == ZukKind::kLineEnd) {
        size += m.tokens_.back().maxCount;
    }
    m.outputSize_ = size;
    return 0;
}

int ZukCompiler::parseOutputLiteral(size_t& pos) {
    const size_t start = pos;
    ZukOutputToken entry;
    while (pos < display.size() && display[pos] != '[' && display[pos] != ']') {
        char byte = display[pos];
        if (byte == '\\') {
            ZukEscape escape = decodeZukEscape(display, pos, false);
            if (escape.length == 0 || escape.byte < 0) {
                zukReport("syntax error: %s", zukRest(display, pos).c_str());
                return kZukSyntaxError;
            }
            byte = static_cast<char>(escape.byte);
            pos += escape.length;
        } else {
            ++pos;
        }
        if (entry.literal.size() >= static_cast<size_t>(kZukMaxLiteral)) {
            zukReport("literal too long: %s", zukRest(display, start).c_str());
            return kZukSyntaxError;
        }
        entry.literal.push_back(byte);
    }
    m.output_.push_back(std::move(entry));
    return 0;
}

int ZukCompiler::addPartReference(int part, bool strip) {
    if (part < 1 || part > static_cast<int>(m.tokens_.size())) {
        zukReport("invalid part number: %d", part);
        return kZukBadPartNumber;
    }
    ZukOutputToken entry;
    entry.kind = ZukOutputKind::kPart;
    entry.part = part;
    entry.strip = strip;
    m.output_.push_back(std::move(entry));
    return 0;
}

int ZukCompiler::parseOutputCommand(size_t& pos) {
    const size_t open = pos;
    const int parts = static_cast<int>(m.tokens_.size());
    ++pos;
    auto missingClose = [&] {
        zukReport("missing or wrong placed \"]\": %s", zukRest(display, open).c_str());
        return kZukSyntaxError;
    };
    auto unknown = [&](size_t at) {
        zukReport("unknown command in totext: \"%s\"", zukRest(display, at).c_str());
        return kZukSyntaxError;
    };
    while (true) {
        skipBlanks(display, pos);
        if (pos >= display.size()) return missingClose();
        if (display[pos] == ']') {
            ++pos;
            return 0;
        }
        const size_t entryStart = pos;
        const std::string_view rest = display.substr(pos);
        int status = 0;
        int part = 0;
        if (rest[0] >= '0' && rest[0] <= '9') {
            zukReport("unexpected number: %s", zukRest(display, pos).c_str());
            return kZukSyntaxError;
        } else if (rest.starts_with("parts ")) {
            pos += 6;
            if (!readNumber(display, pos, part)) return unknown(entryStart);
            if (pos < display.size() && display[pos] == '-') {
                ++pos;
                int last = 0;
                if (!readNumber(display, pos, last) || last < part) {
                    zukReport("invalid part range end: %s", zukRest(display, entryStart).c_str());
                    return kZukSyntaxError;
                }
                if (last > parts) {
                    zukReport("invalid part range: %d", last);
                    return kZukBadPartNumber;
                }
                for (int n = part; n <= last && status == 0; ++n)
                    status = addPartReference(n, false);
            } else {
                status = addPartReference(part, false);
                while (status == 0 && pos + 1 < display.size() && display[pos] == ',' &&
                       display[pos + 1] >= '0' && display[pos + 1] <= '9') {
                    ++pos;
                    readNumber(display, pos, part);
                    status = addPartReference(part, false);
                }
            }
        } else if (rest.starts_with("strip(part")) {
            pos += 10;
            if (pos < display.size() && display[pos] == ' ') ++pos;
            if (!readNumber(display, pos, part)) return unknown(entryStart);
            if (!display.substr(pos).starts_with(",\\0)")) {
                zukReport("strip(... accepts only ,");
                return kZukSyntaxError;
            }
            pos += 4;
            status = addPartReference(part, true);
        } else if (rest.starts_with("part")) {
            pos += 4;
            if (pos < display.size() && display[pos] == ' ') ++pos;
            if (!readNumber(display, pos, part)) return unknown(entryStart);
            status = addPartReference(part, false);
        } else if (rest.starts_with("all")) {
            pos += 3;
            // A leading [lstart] and a trailing [lend] collect nothing worth showing.
            int first = 1;
            int last = parts;
            if (parts > 0 && m.tokens_.front().kind == ZukKind::kLineStart) ++first;
            if (parts > 0 && m.tokens_.back().kind == ZukKind::kLineEnd) --last;
            for (int n = first; n <= last && status == 0; ++n) status = addPartReference(n, false);
        } else {
            return unknown(entryStart);
        }
        if (status != 0) return status;
        skipBlanks(display, pos);
        if (pos >= display.size()) return missingClose();
        if (display[pos] == ',') {
            ++pos;
        } else if (display[pos] != ']') {
            return unknown(pos);
        }
    }
}

const char* ZukMatch::render(int& length, int& error) {
    length = 0;
    error = 0;
    if (!compiled_) {
        error = kZukNotCompiled;
        return nullptr;
    }
    if (buffer_ == nullptr || bufferCapacity_ <= 0) {
        zukReport("missing call: provideBuffer");
        error = kZukInternalError;
        return nullptr;
    }
    const int64_t capacity = bufferCapacity_ - 1;  // the terminating NUL
    int64_t used = 0;
    auto fail = [&] {
        error = kZukInternalError;
        return nullptr;
    };
    auto copy = [&](std::string_view bytes, bool strip) {
        for (char byte : bytes) {
            if (!(strip && byte == '\0')) buffer_[used++] = byte;
        }
    };
    auto partBytes = [&](int number, std::string_view& bytes) {
        if (number < 1) {
            zukReport("wrong part number: %d", number);
            return false;
        }
        if (number > static_cast<int>(spans_.size())) {
            zukReport("no such part: %d", number);
            return false;
        }
        const Span& span = spans_[number - 1];
        if (span.length < 0 || span.length > tokens_[number - 1].maxCount ||
            span.offset + span.length > static_cast<int64_t>(hit_.size())) {
            zukReport("render: invalid part%d length %d", number, static_cast<int>(span.length));
            return false;
        }
        bytes = std::string_view(hit_).substr(span.offset, span.length);
        return true;
    };

    if (copyAll_) {
        if (static_cast<int64_t>(hit_.size()) > capacity) {
            zukReport("output overflow.2: %d %d", static_cast<int>(hit_.size()),
                      static_cast<int>(capacity));
            return fail();
        }
        copy(hit_, false);
    } else {
        for (const ZukOutputToken& entry : output_) {
            if (entry.kind == ZukOutputKind::kLiteral) {
                if (used + static_cast<int64_t>(entry.literal.size()) > capacity) {
                    zukReport("output overflow.1");
                    return fail();
                }
                copy(entry.literal, false);
                continue;
            }
            std::string_view bytes;
            if (!partBytes(entry.part, bytes)) return fail();
            if (used + static_cast<int64_t>(bytes.size()) > capacity) {
                zukReport("output overflow.2: %d %d", static_cast<int>(used + bytes.size()),
                          static_cast<int>(capacity));
                return fail();
            }
            copy(bytes, entry.strip);
        }
    }
    if (!tokens_.empty() && tokens_.back().kind == ZukKind::kLineEnd) {
        std::string_view bytes;
        const int last = static_cast<int>(tokens_.size());
        if (spans_[last - 1].length != 0 || !partBytes(last, bytes)) {
            zukReport("invalid lend on output rendering");
            return fail();
        }
        copy(bytes, false);
    }
    buffer_[used] = '\0';
    length = static_cast<int>(used);
    return buffer_;
}

}  // namespace tessel
