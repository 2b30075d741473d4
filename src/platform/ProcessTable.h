#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace veridon {

// One process of a snapshot (PROCESSENTRY32W plus GetModuleFileNameEx).
struct ProcessEntry
{
    quint32 pid = 0;
    QString exeName;   // the executable's file name, as the snapshot gives it
    QString imagePath; // Windows path of the program image; empty when unknown
};

// The running processes as the scanned environment sees them: a snapshot and
// termination (CreateToolhelp32Snapshot, TerminateProcess).
//
// Linux: read from /proc. A Wine process's image is the PE file mapped at its
// image base (or, failing that, its Windows argv[0]) named through the drive
// letters of that process's own prefix (WINEPREFIX in its environment, else
// ~/.wine); a native process's image is its executable as a Z: path. Zombies,
// processes that vanish while being read and kernel threads are left out.
// Terminating sends SIGKILL, which like TerminateProcess gives the process no
// chance to clean up.
class ProcessTable
{
public:
    virtual ~ProcessTable() = default;
    // In ascending process-id order.
    virtual std::vector<ProcessEntry> snapshot() const = 0;
    // TerminateProcess(OpenProcess(PROCESS_ALL_ACCESS, pid), 0): true when the
    // termination was delivered. Ids that do not name one process (0, or values
    // the system would read as a process group) are refused.
    virtual bool terminate(quint32 pid) = 0;
    // Whether a process holds the host file open or mapped (its image, a loaded
    // library, an open handle): what makes Windows refuse exclusive access.
    virtual bool isFileOpen(const QString& hostPath) const = 0;
};

// The system's process table (/proc on Linux).
std::unique_ptr<ProcessTable> createProcessTable();

// `ListProcesses`: the executable names and image paths of all processes, in
// snapshot order; a process whose image path is unknown lists its name instead.
void ListProcesses(const ProcessTable& processes, QStringList& names, QStringList& paths);
// `TerminateProcessById`.
bool TerminateProcessById(ProcessTable& processes, quint32 pid);
// `TerminateProcessByName`: the first process whose executable name equals
// `exeName` exactly (letter case matters); false when none does.
bool TerminateProcessByName(ProcessTable& processes, const QString& exeName);

} // namespace veridon
