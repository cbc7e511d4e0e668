#include "app/usage.h"

#include <cstdio>

namespace tessel {

void printUsage() {
    std::printf(
        "usage: tessel [-linux|-nolinux] [-trace] [-conf FILE] [options] [WHAT]\n"
        "WHAT: a snapfile, a text file, a folder, several files and folders,\n"
        "      or a file set such as\n"
        "      tessel dirname .hpp .cpp\n"
        "      tessel -dir mydir1 mydir2 -file .txt .html\n"
        "options: -code N  -fastload  -verbose  -find TEXT  -path TEXT  -sfind  -spath\n"
        "         -batch FILE (run the commands of FILE after start-up)\n"
        "         --help (this text)  --version\n"
        "see also: man tessel\n");
}

void printVersion() {
    std::printf("tessel %s\n", TESSEL_VERSION);
}

}  // namespace tessel
