#pragma once

#include "cli/scan/Command.h"

#include <memory>

namespace veridon {
class Environment;
}

namespace veridon::cli {

// The environment a command inspects: --prefix when given (it must exist), else
// $WINEPREFIX or ~/.wine when that exists, else the host file system alone.
std::unique_ptr<Environment> openInspectedEnvironment(const CommandLine& line);

// `veridon-scan env`: the prefix, its drives, Windows version and special folders.
int runEnv(CommandContext& context);

} // namespace veridon::cli
