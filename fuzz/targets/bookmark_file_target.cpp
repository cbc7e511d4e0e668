// A bookmark file comes from the user's disk and may be damaged anywhere. The bytes are read
// as a set file (after a valid header for half of the inputs, so that the entry records are
// reached) into a list placed in a small text; what was read is saved and must read back as
// the same number of entries.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bookmarks/bookmark_files.h"
#include "bookmarks/bookmark_format.h"
#include "bookmarks/bookmark_list.h"
#include "fuzz_target.h"
#include "text/text_store.h"

namespace {

// A private folder for the set files, removed when the process ends.
struct ScratchFolder {
    ScratchFolder() {
        // Memory-backed when available: every save syncs the file.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/tessel-fuzz-XXXXXX"
                                                            : "/tmp/tessel-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        if (path.empty()) return;
        std::remove(tessel::bookmarkFileName(path + "/fz", 1).c_str());
        rmdir(path.c_str());
    }
    std::string path;
};

tessel::TextStore& fuzzText() {
    static tessel::TextStore store;
    if (store.lineCount() == 0) {
        store.addLine(":snapfile zuk,1.0.7,lprefix=:file:,memory\n", true);
        for (const char* name : {"/w/a.txt\n", "b.txt\n"}) {
            store.addLine(":file:\n", true);
            store.addLine(name, true);
            for (int i = 0; i < 20; ++i) store.addLine(i % 3 ? "alpha beta\n" : "gamma\n", true);
        }
        store.finish();
    }
    return store;
}

// Random inputs seldom form records; a quarter of them are read as a list of records built
// from the tags the reader knows, with payloads taken from the input.
std::string recordsFrom(const uint8_t* data, size_t size) {
    static const char* const kTags[] = {
        "loc1", "rem1", "cas1", "msk*", "nmp1", "mpr*", "fms*", "nmf1", "ffm1", "sel*", "clp*",
        "csl1", "nmh1", "shd1", "hss1", "hsd*", "tab1", "xof1", "fmp1", "tfi1", "tfx1", "stm1",
        "sfn*", "rsl1", "ltx*", "val1", "tpl1", "spl1", "qik1", "bme0", "zzz2", "eod0"};
    std::string bytes;
    tessel::writeFileHeader(bytes, tessel::StoredHeader{-1, 1 + data[0] % 5u, data[0] % 4u});
    for (size_t i = 1; i + 1 < size;) {
        const char* tag = kTags[data[i] % std::size(kTags)];
        const uint8_t value = data[i + 1];
        i += 2;
        bytes.append(tag, 4);
        switch (tag[3]) {
            case '1':
                bytes.append(std::string("\0\0\0", 3)).push_back(static_cast<char>(value % 64));
                break;
            case '2':
                bytes.append(std::string(7, '\0')).push_back(static_cast<char>(value));
                break;
            case '*': {
                const size_t length = std::min<size_t>(value % 48, size - i);
                bytes.append(std::string("\0\0\0", 3)).push_back(static_cast<char>(length));
                bytes.append(reinterpret_cast<const char*>(data + i), length);
                i += length;
                break;
            }
            default:
                break;
        }
    }
    return bytes;
}

}  // namespace

TESSEL_FUZZ_TARGET(bookmark_file) {
    std::string bytes;
    if (size > 0 && data[0] % 4 == 1) {
        bytes = recordsFrom(data, size);
    } else {
        if (size > 0 && data[0] % 2 == 0) {
            tessel::writeFileHeader(bytes,
                                    tessel::StoredHeader{-1, 1 + data[0] % 7u, data[0] % 3u});
        }
        if (data) bytes.append(reinterpret_cast<const char*>(data), size);
    }

    tessel::BookmarkReader reader(bytes);
    tessel::StoredHeader header;
    if (reader.readMagic() == 0 && reader.readHeader(header) == 0) {
        tessel::StoredEntry entry;
        for (uint32_t i = 0; i < header.entryCount && reader.readEntry(entry) == 0; ++i) {
            if (reader.offset() > bytes.size()) std::abort();
        }
    }

    static const ScratchFolder folder;
    if (folder.path.empty()) return 0;
    const std::string base = folder.path + "/fz";
    FILE* file = std::fopen(tessel::bookmarkFileName(base, 1).c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) return 0;

    static tessel::BookmarkList list;
    list.storePtr = &fuzzText();
    tessel::setBookmarkBase(base);
    const tessel::ViewPosition view;
    tessel::loadSet(list, 1, view);
    const int count = list.count();
    if (count > tessel::kBookmarkSlots) std::abort();
    if (tessel::saveSet(list, 1, true) != 0) return 0;
    if (tessel::loadSet(list, 1, view).status == tessel::kLoadSetFormatError) std::abort();
    if (list.count() != count) std::abort();
    return 0;
}
