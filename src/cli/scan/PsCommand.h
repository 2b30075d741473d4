#pragma once

#include "cli/scan/Command.h"

namespace veridon::cli {

// `veridon-scan ps`: the running processes as the scanner sees them.
int runPs(CommandContext& context);

} // namespace veridon::cli
