#pragma once

#include "platform/ProcessTable.h"

namespace veridon {

// ProcessTable over a /proc tree. The root is a parameter so tests can describe
// processes in a folder of their own.
class ProcProcessTable : public ProcessTable
{
public:
    explicit ProcProcessTable(QString procRoot = QStringLiteral("/proc"));

    std::vector<ProcessEntry> snapshot() const override;
    bool terminate(quint32 pid) override;
    bool isFileOpen(const QString& hostPath) const override;

private:
    QString m_root;
};

} // namespace veridon
