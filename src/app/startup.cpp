#include "app/startup.h"

#include <cstdio>

#include "search/codepage/code_page_tables.h"
#include "text/text_store.h"
#include "view/log/message_log.h"

namespace tessel {

int runTessel(int argc, char** argv) {
    (void)argc;
    (void)argv;
    codePageTables().init(1252);
    TextStore& store = textStore();
    store.finish();
    std::printf("lines=%d blocks=%d\n", store.lineCount(), store.blockCount);
    return 0;
}

}  // namespace tessel
