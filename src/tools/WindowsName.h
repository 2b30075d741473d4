#pragma once

#include <QString>

namespace veridon {

class ShellFolders;

constexpr int kPlatformWin32Nt = 2; // VER_PLATFORM_WIN32_NT

// The marketing name of an NT-family Windows version, empty for versions the
// program does not name (Windows 7 and later among them) and for other platforms.
QString GetWindowsName(int platformId, int major, int minor);

// The name of the scanned environment's Windows version (its CurrentVersion key,
// "major.minor"); every environment the scanner looks at is of the NT family.
QString GetWindowsName(const ShellFolders& folders);

} // namespace veridon
