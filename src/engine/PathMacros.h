#pragma once

#include <QString>

namespace veridon {

class TAppFrame;

// The five priorities in which callers test the path macros; the first macro
// found in a path is the one expanded.
enum class MacroOrder
{
    A, // the table's own order: building the white list
    B, // Recent Active Threats
    C, // Critical Areas
    D, // hot spots and the location filter of the file checks
    E, // File System
};

// Expands one kind of macro ("%SYSDIR%", "%APPDATA%", "PROGRAMFILESDIR+" ...) in
// `path`: every occurrence of the first macro of `order` that the path holds (letter
// case ignored) becomes its folder; other macros stay. `allUsersPath` receives the
// same path with the all-users folder for the six macros that have one
// (%DESKTOP%, %APPDATA%, %PROGRAMS%, %STARTMENU%, %STARTUP%, %FAVORITES%), else
// it is empty. Folders are looked up through `frame` at each call.
void ExpandMacros(const TAppFrame& frame, MacroOrder order, QString& path, QString& allUsersPath);

// Rewrites a process image path into a plain file path ("%windir%", "\SystemRoot\",
// "%systemroot%" become the Windows folder; "\??\" and double quotes go; "/" becomes
// "\") and returns whether a file of that name exists.
bool NormalizeImagePath(const TAppFrame& frame, QString& path);

} // namespace veridon
