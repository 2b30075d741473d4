#pragma once

#include <QString>

namespace veridon {

// Whether a wineserver serves this prefix right now. The server works in a folder
// named "server-<device>-<inode>" of the prefix folder (under /tmp/.wine-<uid>, or a
// "wine-*" folder of the temporary directory on some distributions) and holds a
// write lock on its "lock" file there for as long as it runs.
bool isWineServerRunning(const QString& prefixDir);

} // namespace veridon
