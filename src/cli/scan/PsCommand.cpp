#include "cli/scan/PsCommand.h"

#include "platform/ProcessTable.h"

#include <cstdio>
#include <stdexcept>

namespace veridon::cli {

int runPs(CommandContext& context)
{
    if (!context.line.words.isEmpty())
        throw std::runtime_error("ps takes no arguments");
    const std::unique_ptr<ProcessTable> processes = createProcessTable();
    std::printf("%7s  %-24s  %s\n", "PID", "NAME", "IMAGE");
    for (const ProcessEntry& entry : processes->snapshot()) {
        std::printf("%7u  %-24s  %s\n", entry.pid, entry.exeName.toLocal8Bit().constData(),
                    (entry.imagePath.isEmpty() ? entry.exeName : entry.imagePath)
                        .toLocal8Bit()
                        .constData());
    }
    return kExitClean;
}

} // namespace veridon::cli
