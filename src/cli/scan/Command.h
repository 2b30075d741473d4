#pragma once

#include "cli/scan/CommandLine.h"
#include "platform/OwnPaths.h"

namespace veridon::cli {

constexpr int kExitClean = 0;
constexpr int kExitFound = 1;
constexpr int kExitError = 2;

// What every command receives: the parsed line (its words start after the
// command's name) and the program's own folders.
struct CommandContext
{
    CommandLine& line;
    const OwnPaths& paths;
};

// One word of `veridon-scan WORD ...`. Each command lives in its own file and
// is listed in the table of main.cpp.
struct Command
{
    const char* name;
    const char* usage;
    int (*run)(CommandContext& context);
};

} // namespace veridon::cli
