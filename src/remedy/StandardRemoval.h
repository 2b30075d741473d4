#pragma once

#include "remedy/ThreatRemover.h"

namespace veridon {

class Environment;

// Removal's services over an environment: the quarantine store of the given
// folder, its processes (ended by exact file name), delete at restart through
// its registry, its browser's URL cache, real pauses.
RemovalServices standardRemovalServices(Environment& environment);

} // namespace veridon
