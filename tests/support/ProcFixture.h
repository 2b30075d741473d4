#pragma once

#include "support/TempDir.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace veridon::test {

// A process as a /proc tree shows it. Use ids above the kernel's largest
// possible pid (4194304), so nothing a test does can reach a real process.
struct FakeProcess
{
    quint32 pid = 0;
    char state = 'S';
    QString exe;         // target of the exe link; empty: no link (unreadable)
    QStringList argv;    // cmdline
    QStringList environ; // "NAME=value"
    QStringList maps;    // lines, see mapsLine()
    bool withStat = true;
};

// A maps line for `path` mapped at [start, end) from file offset `offset`.
QString mapsLine(quint64 start, quint64 end, const QString& path, quint64 offset = 0);

// Writes the processes as <dir>/proc/<pid>/{stat,exe,cmdline,environ,maps};
// returns the root to hand to the process table.
QString writeProcTree(const TempDir& dir, const std::vector<FakeProcess>& processes);

// A Wine prefix skeleton: drive_c and dosdevices with c: -> ../drive_c and
// z: -> /. Returns the prefix folder.
QString writePrefixSkeleton(const TempDir& dir, const QString& relative);

} // namespace veridon::test
