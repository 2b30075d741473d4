#pragma once

#include "cli/scan/Command.h"

namespace veridon::cli {

// `veridon-scan quarantine list | restore ID PATH | delete ID`: the quarantine
// of the program folder. PATH is a path of the scanned environment
// ("C:\...") or a host path.
int runQuarantine(CommandContext& context);

} // namespace veridon::cli
