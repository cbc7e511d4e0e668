// Arbitrary bytes as file-set text, as folder and file masks and as paths to match: the
// first line is the file-set text and the mask, the rest the paths.
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_target.h"
#include "load/file_mask.h"
#include "load/file_set.h"

TESSEL_FUZZ_TARGET(file_set) {
    if (data == nullptr) size = 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t newline = input.find('\n');
    std::string_view head = input.substr(0, newline);
    std::string_view rest =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    for (bool colon : {false, true}) {
        tessel::FileSet set;
        int rc = tessel::parseFileSet(head, colon, set);
        if (rc == 0 && (set.layers.empty() || set.rootCount() == 0)) std::abort();
        if (rc != 0 && (set.error.empty() || !set.layers.empty())) std::abort();
        for (const tessel::FileSetLayer& layer : set.layers) {
            for (const std::string& root : layer.roots) {
                if (root.empty() || root.size() >= tessel::kRootPathBytes) std::abort();
            }
        }
    }

    std::string converted;
    if (tessel::convertDirMask(head, converted) == 0 &&
        converted.size() + 10 >= tessel::kDirMaskBufferBytes)
        std::abort();
    tessel::MaskList files;
    files.parse(head, true);
    tessel::MaskList folders;
    folders.parse(converted, false);
    char target[tessel::kMaskTargetBytes];
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view path = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        std::string_view made = tessel::makeMaskTarget(target, path);
        if (made.size() > tessel::kMaskTargetBytes || made.front() != '/' || made.back() != '/')
            std::abort();
        bool named = false;
        bool kept = files.keeps(made, &named);
        if (named && !kept) std::abort();
        folders.keeps(made);
    }
    return 0;
}
