// veridon-scan: the command-line scanner over the shared engine.
#include "cli/scan/Command.h"
#include "cli/scan/EnvCommand.h"
#include "cli/scan/PsCommand.h"
#include "cli/scan/QuarantineCommand.h"
#include "cli/scan/RegCommand.h"
#include "cli/scan/ScanRun.h"

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
    {"quarantine", "quarantine list | restore ID PATH | delete ID\n"
                   "                            the quarantined files of the program folder",
     runQuarantine},
    {"env", "env                       the Wine prefix: drives, Windows version, special folders",
     runEnv},
    {"reg", "reg query KEY [VALUE]     a registry key's values and subkeys, as reg.exe prints them",
     runReg},
};

void printHelp()
{
    std::fputs("Usage: veridon-scan [options] [TARGET...]   scan (smart scan without targets)\n"
               "       veridon-scan [options] command\n"
               "\n"
               "Scan options:\n"
               "  --full              scan the environment's fixed and removable drives\n"
               "  TARGET...           custom scan of folders (Windows paths, or host paths)\n"
               "  --one PATH          scan one file or folder\n"
               "  --areas BITS        areas text, e.g. 11111111111 (Running Processes, Critical\n"
               "                      Areas, File System, Browser Objects, System Hijacks,\n"
               "                      Tracking Cookies, Windows Registry, Recent Active Threats,\n"
               "                      Unwanted Programs)\n"
               "  --all-files         check every file, not only executables\n"
               "  --max-size MB       skip files of this size or larger (default 10)\n"
               "  --format FORMAT     text (default), tsv or json\n"
               "  --remove            remove what was found (quarantined first)\n"
               "  --no-quarantine     with --remove: delete without a quarantine copy\n"
               "  --no-ignore         keep detections that Ignore.ini lists\n"
               "  Exit status: 0 nothing found or all removed, 1 detections remain, 2 error.\n"
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
        return runScan(context);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veridon-scan: %s\n", e.what());
        return kExitError;
    }
}
