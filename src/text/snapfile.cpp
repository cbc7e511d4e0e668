#include "text/snapfile.h"

#include <cstring>
#include <string_view>

namespace tessel {

namespace {

constexpr std::string_view kLinePrefixField = ",lprefix=";
constexpr std::string_view kNamePrefixField = ",prefix=";
constexpr std::string_view kClusterSuffix = "create ";

bool startsWith(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && text.substr(0, start.size()) == start;
}

// The header ends at its first line end; fields behind it belong to the records.
std::string_view headerOnly(const char* line, size_t length) {
    std::string_view text(line, length);
    size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(0, end);
}

// Finds a field (with its leading comma) and returns its value: up to the next comma or the
// end of the header, at most the prefix capacity. Absent fields give false.
bool fieldValue(std::string_view header, std::string_view field, std::string_view& value) {
    size_t at = header.find(field);
    if (at == std::string_view::npos) return false;
    std::string_view rest = header.substr(at + field.size());
    size_t end = rest.find(',');
    if (end != std::string_view::npos) rest = rest.substr(0, end);
    if (rest.size() > static_cast<size_t>(kRecordPrefixCapacity))
        rest = rest.substr(0, kRecordPrefixCapacity);
    value = rest;
    return true;
}

void appendPrefix(SnapfileHeader& header, std::string_view text) {
    size_t room = static_cast<size_t>(kRecordPrefixCapacity - header.prefixLength);
    size_t take = text.size() < room ? text.size() : room;
    std::memcpy(header.prefix + header.prefixLength, text.data(), take);
    header.prefixLength += static_cast<int>(take);
    header.prefix[header.prefixLength] = '\0';
}

}  // namespace

bool hasSnapfileMagic(const char* text, size_t length) {
    if (text == nullptr) return false;
    std::string_view view(text, length);
    return startsWith(view, kSnapfileMagic) || startsWith(view, kClusterMagic);
}

bool parseSnapfileHeader(const char* line, size_t length, SnapfileHeader& header) {
    header = SnapfileHeader{};
    if (!hasSnapfileMagic(line, length)) return false;
    std::string_view text = headerOnly(line, length);
    header.cluster = startsWith(text, kClusterMagic);
    // The magic ends with the comma that introduces the first field.
    std::string_view fields =
        text.substr(std::strlen(header.cluster ? kClusterMagic : kSnapfileMagic) - 1);
    std::string_view value;
    if (header.cluster) {
        if (!fieldValue(fields, kNamePrefixField, value)) return true;
        appendPrefix(header, value);
        appendPrefix(header, kClusterSuffix);
        header.prefixOnNameLine = true;
    } else if (fieldValue(fields, kLinePrefixField, value)) {
        appendPrefix(header, value);
    } else if (fieldValue(fields, kNamePrefixField, value)) {
        appendPrefix(header, value);
        header.prefixOnNameLine = true;
    } else {
        return true;
    }
    // An empty prefix would match every line and split the text into one-line files.
    header.hasPrefix = header.prefixLength > 0;
    if (!header.hasPrefix) header.prefixOnNameLine = false;
    return true;
}

}  // namespace tessel
