// Batch files come from outside the program. Every parsed command must keep its numbers in
// the ranges the runner relies on, and dumping rows made of the same bytes must stay inside
// the screen buffer.
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_driver.h"
#include "fuzz_target.h"
#include "view/view.h"

TESSEL_FUZZ_TARGET(batch_script) {
    using namespace tessel;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<BatchCommand> commands;
    std::string error;
    parseBatchScript(input, commands, error);
    for (const BatchCommand& command : commands) {
        const bool cellsInside = command.row >= 0 && command.row < kScreenRows &&
                                 command.row2 >= 0 && command.row2 < kScreenRows &&
                                 command.column >= 0 && command.column < kScreenColumns &&
                                 command.column2 >= 0 && command.column2 < kScreenColumns;
        // A wheel turns either way; every other value is a count, a time or an index.
        const bool valueInRange =
            command.verb == BatchVerb::kWheel
                ? command.value != 0 && command.value >= -100 && command.value <= 100
                : command.value >= 0;
        if (!cellsInside || command.count < 1 || !valueInRange) __builtin_trap();
    }

    ScreenBuffer screen;
    const std::string whole(input);
    const std::string front = whole.substr(0, whole.size() / 2);
    screen.writeRow(0, front, whole.substr(front.size()));
    screen.writeRow(1, whole, front);
    DumpHeader header;
    header.rows = 3;
    formatScreenDump(screen, header);
    return 0;
}
