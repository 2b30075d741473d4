#pragma once

#include "cli/scan/Command.h"

namespace veridon::cli {

// `veridon-scan reg query KEY [VALUE]`: a key's values and subkeys, or one value,
// printed the way Windows' `reg query` prints them.
int runReg(CommandContext& context);

} // namespace veridon::cli
