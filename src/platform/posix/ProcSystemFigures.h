#pragma once

#include "platform/SystemFigures.h"

#include <vector>

namespace veridon {

// SystemFigures over /proc/stat (a parameter, for tests) and the desktop session.
class ProcSystemFigures : public SystemFigures
{
public:
    explicit ProcSystemFigures(QString statPath = QStringLiteral("/proc/stat"));
    ~ProcSystemFigures() override;

    int GetTotalCpuUsage() override;
    std::optional<quint64> idleMilliseconds() const override;
    void trimWorkingSet() override;

private:
    struct Sample
    {
        quint64 idle = 0;
        quint64 total = 0;
    };
    QString m_statPath;
    std::vector<Sample> m_previous;
    int m_last = 0;
};

} // namespace veridon
