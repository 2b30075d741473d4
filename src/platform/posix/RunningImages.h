#pragma once

#include <QByteArray>

namespace veridon {

// Whether a host file is the program image or a mapped module of a running
// process: a native process's executable (/proc/<pid>/exe) or any file mapped
// into a process (/proc/<pid>/maps), which covers a Wine process's .exe and .dll
// images. Windows refuses to delete such files; Linux would not.
bool isMappedByRunningProcess(const QByteArray& hostPath);

} // namespace veridon
