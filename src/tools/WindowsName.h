#pragma once

#include <QString>

namespace veridon {

constexpr int kPlatformWin32Nt = 2; // VER_PLATFORM_WIN32_NT

// The marketing name of an NT-family Windows version, empty for versions the
// program does not name (Windows 7 and later among them) and for other platforms.
QString GetWindowsName(int platformId, int major, int minor);

} // namespace veridon
