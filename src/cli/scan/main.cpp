// veridon-scan: the command-line scanner over the shared engine.
#include "cli/scan/Command.h"
#include "cli/scan/PsCommand.h"

#include <cstdio>
#include <exception>
#include <iterator>

using namespace veridon;
using namespace veridon::cli;

namespace {

// Commands other than the scan itself; a line whose first word names none of
// them is a scan.
const Command kCommands[] = {
    {"help", "help", nullptr}, // answered before any folder is resolved
    {"ps", "ps                        list running processes (pid, name, image path)", runPs},
};

void printHelp()
{
    std::fputs("Usage: veridon-scan [options] [command]\n"
               "\n"
               "Options:\n"
               "  --prefix DIR        the Wine prefix to scan (default: $WINEPREFIX, else ~/.wine)\n"
               "  --program-dir DIR   the program folder (definitions, quarantine, scan cache)\n"
               "  --data-dir DIR      the data folder (config.ini, Ignore.ini)\n"
               "  --version           print the version and exit\n"
               "  -h, --help          print this help and exit\n"
               "\n"
               "Commands:\n",
               stdout);
    for (const Command& command : kCommands)
        std::printf("  veridon-scan %s\n", command.usage);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        CommandLine line = parseCommandLine(argc, argv);
        if (line.version) {
            std::printf("veridon-scan %s\n", VERIDON_VERSION);
            return kExitClean;
        }
        if (line.help || (!line.words.isEmpty() && line.words.first() == QLatin1String("help"))) {
            printHelp();
            return kExitClean;
        }
        const OwnPaths paths = OwnPaths::resolve(line.programDir, line.dataDir);
        CommandContext context{line, paths};
        if (!line.words.isEmpty()) {
            for (const Command& command : kCommands) {
                if (command.run && line.words.first() == QLatin1String(command.name)) {
                    line.words.removeFirst();
                    return command.run(context);
                }
            }
        }
        std::fputs("veridon-scan: the scan engine is not built yet; see --help\n", stderr);
        return kExitError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veridon-scan: %s\n", e.what());
        return kExitError;
    }
}
