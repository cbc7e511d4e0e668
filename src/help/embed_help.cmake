# Writes the help text, gzip-compressed at the highest level, and the help pictures as byte
# arrays into one C++ source. Run by the help module's build step:
#   cmake -DTEXT=... -DPICTURE_DIR=... -DPICTURES="a;b" -DOUTPUT=... -P embed_help.cmake
cmake_minimum_required(VERSION 3.25)

function(byte_array variable file)
    file(READ ${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    set(${variable} "${bytes}" PARENT_SCOPE)
endfunction()

set(compressed ${OUTPUT}.gz)
file(REMOVE ${compressed})
# The raw format writes the file's bytes alone, so the archive is a plain gzip stream.
file(ARCHIVE_CREATE OUTPUT ${compressed} PATHS ${TEXT} FORMAT raw COMPRESSION GZip
     COMPRESSION_LEVEL 9)
byte_array(text_bytes ${compressed})

set(arrays "")
set(table "")
foreach(name IN LISTS PICTURES)
    byte_array(picture_bytes ${PICTURE_DIR}/${name}.jpg)
    string(APPEND arrays "const uint8_t k_${name}[] = {${picture_bytes}};\n")
    string(APPEND table "    {\"${name}\", k_${name}, sizeof k_${name}},\n")
endforeach()

file(WRITE ${OUTPUT} "// Generated from src/help by embed_help.cmake; do not edit.
#include <cstddef>
#include <cstdint>

#include \"help/embedded_help.h\"

namespace tessel {
namespace {
const uint8_t kText[] = {${text_bytes}};
${arrays}}  // namespace

extern const EmbeddedBytes kEmbeddedHelpText = {kText, sizeof kText};
extern const EmbeddedHelpPicture kEmbeddedHelpPictures[] = {
${table}};
extern const int kEmbeddedHelpPictureCount =
    sizeof kEmbeddedHelpPictures / sizeof kEmbeddedHelpPictures[0];

}  // namespace tessel
")
file(REMOVE ${compressed})
