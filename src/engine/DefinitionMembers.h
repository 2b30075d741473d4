#pragma once

#include "engine/SignatureSets.h"

namespace veridon {

// Reads the members of Core.def and Addition.def from a program folder (host
// path), keeping each archive open while its members are read in turn. A
// failure names the archive: "Addition.def: Archive file not found".
MemberReader definitionMemberReader(const QString& programDir);

} // namespace veridon
