#include "platform/ProcessTable.h"

namespace veridon {

void ListProcesses(const ProcessTable& processes, QStringList& names, QStringList& paths)
{
    for (const ProcessEntry& entry : processes.snapshot()) {
        names.append(entry.exeName);
        paths.append(entry.imagePath.isEmpty() ? entry.exeName : entry.imagePath);
    }
}

bool TerminateProcessById(ProcessTable& processes, quint32 pid)
{
    return processes.terminate(pid);
}

bool TerminateProcessByName(ProcessTable& processes, const QString& exeName)
{
    for (const ProcessEntry& entry : processes.snapshot()) {
        if (entry.exeName == exeName)
            return processes.terminate(entry.pid);
    }
    return false;
}

} // namespace veridon
