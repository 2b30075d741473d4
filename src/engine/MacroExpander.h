#pragma once

#include <QString>

namespace veridon {

class TAppFrame;

// The five priorities in which signature paths test their macros: the first
// macro found in that order is the one expanded.
enum class MacroOrder
{
    A, // the white list
    B, // Recent Active Threats
    C, // Critical Areas
    D, // hot spots and hash locations
    E, // File System
};

// Replaces every occurrence (letter case ignored) of the first macro found, in
// the given order, by its folder; other macros stay. For the six macros with
// an all-users counterpart (desktop, application data, programs, start menu,
// startup, favorites) `allUsersPath` receives the input with the all-users
// folder instead; otherwise it is empty. A path without a macro is unchanged.
void ExpandMacros(const TAppFrame& frame, MacroOrder order, QString& path, QString& allUsersPath);

// Rewrites a process image path ("%windir%", "\SystemRoot\", "%systemroot%",
// "\??\", quotes, "/") and returns whether a file of that name exists.
bool NormalizeImagePath(const TAppFrame& frame, QString& path);

} // namespace veridon
