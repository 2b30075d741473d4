#pragma once

#include "engine/MacroExpander.h"

#include <QString>

#include <functional>

namespace veridon {

class ScanSession;

// Reports what one expanded path of a signature line names.
using PathReport = std::function<void(int index, const QString& threatName, const QString& path)>;

// The walk shared by the areas whose lines are "ThreatName,Path": every line
// counts one object, its path is expanded in `order`, `report` runs for the
// path and for its all-users variant, then the folder is shown and the bar
// moves by the area's share.
void scanPathLines(ScanSession& session, const QString& member, MacroOrder order, int share,
                   const PathReport& report);

} // namespace veridon
