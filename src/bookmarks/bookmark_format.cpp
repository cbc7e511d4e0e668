#include "bookmarks/bookmark_format.h"

#include <algorithm>
#include <cstring>

#include "base/log/message_log.h"

namespace tessel {

namespace {

void putU32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void putMarker(std::string& out, const char* tag) {
    out.append(tag, 4);
}

void putNumber(std::string& out, const char* tag, int64_t value) {
    out.append(tag, 4);
    putU32(out, static_cast<uint32_t>(value));
}

void putText(std::string& out, const char* tag, std::string_view text) {
    out.append(tag, 4);
    putU32(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

uint32_t getU32(const char* bytes) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    return value;
}

bool tagIs(const char* tag, const char* name) {
    return std::memcmp(tag, name, 3) == 0;
}

}  // namespace

void writeFileHeader(std::string& out, const StoredHeader& header) {
    out.append(kBookmarkMagic, kBookmarkMagicBytes);
    putNumber(out, "sfs1", header.fileSize);
    putNumber(out, "nbm1", header.entryCount);
    putNumber(out, "sbi1", header.scriptIndex);
    putMarker(out, "hde0");
}

void writeEntry(std::string& out, const ViewPosition& pos, const char* fileName,
                int32_t relativeLine, std::string_view lineText) {
    putNumber(out, "loc1", 1);
    if (pos.remark) putNumber(out, "rem1", 1);
    if (pos.find.caseSensitive) putNumber(out, "cas1", pos.find.caseSensitive);
    if (pos.find.text[0]) putText(out, "msk*", pos.find.text);
    const uint32_t terms = std::min<uint32_t>(pos.find.termCount, kTermSlots);
    if (terms > 0) {
        putNumber(out, "nmp1", terms);
        for (uint32_t i = 0; i < terms; ++i) putText(out, "mpr*", pos.find.terms[i]);
    }
    if (pos.pathMask[0]) putText(out, "fms*", pos.pathMask);
    if (pos.pathFileCount) putNumber(out, "nmf1", pos.pathFileCount);
    if (pos.pathFirstLine) putNumber(out, "ffm1", pos.pathFirstLine);
    if (pos.selection[0]) putText(out, "sel*", pos.selection);
    if (pos.label[0]) putText(out, "clp*", pos.label);
    if (pos.cursorLine) putNumber(out, "csl1", pos.cursorLine);
    if (pos.highlightCount) putNumber(out, "nmh1", pos.highlightCount);
    putNumber(out, "shd1", pos.ignoreContext);
    const int32_t highlightBytes = std::clamp(pos.highlightSize, 0, kHighlightDataBytes);
    if (!pos.ignoreContext && pos.highlightCount && highlightBytes > 0) {
        putNumber(out, "hss1", highlightBytes);
        putText(out, "hsd*",
                std::string_view(reinterpret_cast<const char*>(pos.highlightData),
                                 static_cast<size_t>(highlightBytes)));
    }
    if (pos.tabSize) putNumber(out, "tab1", pos.tabSize);
    if (pos.xOffset) putNumber(out, "xof1", pos.xOffset);
    if (pos.filterValue) putNumber(out, "fmp1", pos.filterValue);
    if (pos.lockMode) putNumber(out, "tfi1", pos.lockMode);
    if (pos.lockRows) putNumber(out, "tfx1", pos.lockRows);
    if (static_cast<uint32_t>(pos.searchMsec)) putNumber(out, "stm1", pos.searchMsec);
    if (fileName) putText(out, "sfn*", fileName);
    putNumber(out, "rsl1", relativeLine);
    if (!lineText.empty()) putText(out, "ltx*", lineText);
    putNumber(out, "val1", pos.valid);
    putMarker(out, "bme0");
}

void writeFileEnd(std::string& out) {
    putMarker(out, "eod0");
}

BookmarkReader::BookmarkReader(std::string_view data, const char* prefix)
    : data_(data), prefix_(prefix ? prefix : "") {}

bool BookmarkReader::take(size_t bytes, const char** start) {
    if (data_.size() - pos_ < bytes) return false;
    *start = data_.data() + pos_;
    pos_ += bytes;
    return true;
}

int BookmarkReader::readMagic() {
    const char* magic = nullptr;
    if (take(kBookmarkMagicBytes, &magic)) return 0;
    logMessage("%sunable to read bookmark file", prefix_);
    return 9;
}

int BookmarkReader::next(Record& record, size_t groupStart) {
    const char* tag = nullptr;
    if (!take(4, &tag)) return 1;
    std::memcpy(record.tag, tag, 4);
    record.type = tag[3];
    record.number = 0;
    record.text = {};
    const char* payload = nullptr;
    bool complete = true;
    switch (record.type) {
        case '0':
            break;
        case '1':
            complete = take(4, &payload);
            if (complete) record.number = static_cast<int32_t>(getU32(payload));
            break;
        case '2':
            complete = take(8, &payload);
            if (complete) {
                record.number =
                    static_cast<int64_t>((uint64_t{getU32(payload)} << 32) | getU32(payload + 4));
            }
            break;
        case '*': {
            complete = take(4, &payload);
            if (!complete) break;
            const uint32_t length = getU32(payload);
            // A length that reaches past the group limit is refused before it is trusted.
            if (length >= kRecordGroupLimit) {
                logMessage("%swrong format, record too long: %.4s (%lu)", prefix_, record.tag,
                           static_cast<unsigned long>(length));
                return 9;
            }
            complete = take(length, &payload);
            if (complete) record.text = std::string_view(payload, length);
            break;
        }
        default:
            logMessage("%swrong format, unknown record type: %.4s", prefix_, record.tag);
            return 9;
    }
    if (!complete) return 1;
    if (pos_ - groupStart >= kRecordGroupLimit) {
        logMessage("%swrong format, record too long: %.4s", prefix_, record.tag);
        return 9;
    }
    return 0;
}

int BookmarkReader::readHeader(StoredHeader& header) {
    header = StoredHeader{};
    const size_t start = pos_;
    bool hasSize = false;
    bool hasCount = false;
    Record record;
    for (;;) {
        const int rc = next(record, start);
        if (rc == 9) return 9;
        if (rc == 1) {
            logMessage("%swrong format, missing file header", prefix_);
            return 9;
        }
        if (tagIs(record.tag, "hde")) break;
        if (record.type != '1') continue;
        if (tagIs(record.tag, "sfs")) {
            header.fileSize = static_cast<int32_t>(record.number);
            hasSize = true;
        } else if (tagIs(record.tag, "nbm")) {
            header.entryCount = static_cast<uint32_t>(record.number);
            hasCount = true;
        } else if (tagIs(record.tag, "sbi")) {
            header.scriptIndex = static_cast<uint32_t>(record.number);
        }
    }
    if (!hasSize) {
        logMessage("%swrong format, missing filesize entry", prefix_);
        return 9;
    }
    if (!hasCount || header.entryCount > kMaxStoredEntries) {
        logMessage("%sillegal number of bookmarks: %lu (%lx)", prefix_,
                   static_cast<unsigned long>(header.entryCount),
                   static_cast<unsigned long>(header.entryCount));
        return 9;
    }
    header.scriptIndex = std::min(header.scriptIndex, header.entryCount);
    return 0;
}

int BookmarkReader::readEntry(StoredEntry& entry, int32_t lockMode, int32_t lockRows) {
    entry = StoredEntry{};
    ViewPosition& pos = entry.pos;
    pos.tabSize = 3;
    pos.lockMode = lockMode;
    pos.lockRows = lockRows;
    const size_t start = pos_;
    uint32_t termsRead = 0;
    bool hasValid = false;
    int32_t storedTopLine = 0;
    Record record;
    for (;;) {
        const int rc = next(record, start);
        if (rc == 9) return 9;
        if (rc == 1) {
            logMessage("%swrong format, missing bme0", prefix_);
            return 9;
        }
        const char* tag = record.tag;
        if (tagIs(tag, "bme")) break;
        const int32_t number = static_cast<int32_t>(record.number);
        if (record.type == '*') {
            const std::string_view text = record.text;
            if (tagIs(tag, "msk")) {
                copyField(pos.find.text, text);
            } else if (tagIs(tag, "mpr")) {
                if (termsRead < kTermSlots) copyField(pos.find.terms[termsRead++], text);
            } else if (tagIs(tag, "fms")) {
                copyField(pos.pathMask, text);
            } else if (tagIs(tag, "sel")) {
                copyField(pos.selection, text);
            } else if (tagIs(tag, "clp")) {
                copyField(pos.label, text);
            } else if (tagIs(tag, "ltx")) {
                copyField(pos.lineText, text);
            } else if (tagIs(tag, "sfn")) {
                entry.fileName.assign(text.substr(0, kStoredFileNameChars));
                entry.fileName.resize(std::strlen(entry.fileName.c_str()));
                entry.hasFileName = true;
            } else if (tagIs(tag, "hsd") && text.size() < kHighlightDataRefused) {
                const size_t bytes = std::min<size_t>(text.size(), kHighlightDataBytes);
                std::memcpy(pos.highlightData, text.data(), bytes);
            }
        } else if (record.type == '1' || record.type == '2') {
            if (tagIs(tag, "rem")) {
                pos.remark = number != 0;
            } else if (tagIs(tag, "cas")) {
                pos.find.caseSensitive = static_cast<uint8_t>(number);
            } else if (tagIs(tag, "nmp")) {
                pos.find.termCount = std::min<uint32_t>(static_cast<uint32_t>(number), kTermSlots);
            } else if (tagIs(tag, "nmf")) {
                pos.pathFileCount = static_cast<uint8_t>(number);
            } else if (tagIs(tag, "ffm")) {
                pos.pathFirstLine = number;
            } else if (tagIs(tag, "csl")) {
                pos.cursorLine = number;
            } else if (tagIs(tag, "nmh")) {
                pos.highlightCount = number;
            } else if (tagIs(tag, "shd")) {
                pos.ignoreContext = number != 0;
            } else if (tagIs(tag, "hss")) {
                pos.highlightSize = std::clamp(number, 0, kHighlightDataBytes);
            } else if (tagIs(tag, "tab")) {
                pos.tabSize = number;
            } else if (tagIs(tag, "xof")) {
                pos.xOffset = number;
            } else if (tagIs(tag, "fmp")) {
                pos.filterValue = number;
            } else if (tagIs(tag, "tfi")) {
                pos.lockMode = number;
            } else if (tagIs(tag, "tfx")) {
                pos.lockRows = number;
            } else if (tagIs(tag, "stm")) {
                pos.searchMsec = static_cast<uint32_t>(number);
            } else if (tagIs(tag, "rsl")) {
                pos.relativeLine = number;
            } else if (tagIs(tag, "val")) {
                pos.valid = number != 0;
                hasValid = true;
            } else if (tagIs(tag, "tpl")) {
                storedTopLine = number;
                entry.hasPlacement = true;
            } else if (tagIs(tag, "spl")) {
                pos.currentLine = number;
            }
        }
    }
    pos.find.termCount = std::min(pos.find.termCount, termsRead);
    if (!hasValid) {
        logMessage("%swrong format, missing val1", prefix_);
        return 9;
    }
    if (entry.hasPlacement) pos.topLine = storedTopLine;
    return 0;
}

}  // namespace tessel
