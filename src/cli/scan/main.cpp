// veridon-scan: the command-line scanner over the shared engine.
#include "cli/scan/CommandLine.h"
#include "platform/OwnPaths.h"

#include <cstdio>
#include <exception>

using namespace veridon;

namespace {

constexpr int kExitError = 2;

void printHelp()
{
    std::fputs(
        "Usage: veridon-scan [options] [command]\n"
        "\n"
        "Options:\n"
        "  --prefix DIR        the Wine prefix to scan (default: $WINEPREFIX, else ~/.wine)\n"
        "  --program-dir DIR   the program folder (definitions, quarantine, scan cache)\n"
        "  --data-dir DIR      the data folder (config.ini, Ignore.ini)\n"
        "  --version           print the version and exit\n"
        "  -h, --help          print this help and exit\n",
        stdout);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        cli::CommandLine line = cli::parseCommandLine(argc, argv);
        if (line.version) {
            std::printf("veridon-scan %s\n", VERIDON_VERSION);
            return 0;
        }
        if (line.help) {
            printHelp();
            return 0;
        }
        const OwnPaths paths = OwnPaths::resolve(line.programDir, line.dataDir);
        (void)paths;
        std::fputs("veridon-scan: no command given (see --help)\n", stderr);
        return kExitError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veridon-scan: %s\n", e.what());
        return kExitError;
    }
}
