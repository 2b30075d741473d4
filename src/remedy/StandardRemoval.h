#pragma once

#include "remedy/ThreatRemover.h"

namespace veridon {

class Environment;

// Removal's services over an environment: its processes (ended by exact file
// name), delete at restart through its registry, its browser's URL cache, real
// pauses. The quarantine is left empty: the caller knows the store.
RemovalServices standardRemovalServices(Environment& environment);

} // namespace veridon
