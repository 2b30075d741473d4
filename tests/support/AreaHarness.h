#pragma once

#include "engine/ScanSession.h"
#include "engine/SignatureSets.h"
#include "support/RecordingScanHost.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <memory>

namespace veridon::test {

// Definition tables held in memory, read through the same MemberReader seam as
// the archives; a member not set reads as empty.
struct DefinitionTables
{
    QHash<QString, QByteArray> core;
    QHash<QString, QByteArray> addition;

    void setCore(const QString& member, const QStringList& lines)
    {
        core[member] = lines.join(QLatin1Char('\n')).toUtf8();
    }
    void setAddition(const QString& member, const QStringList& lines)
    {
        addition[member] = lines.join(QLatin1Char('\n')).toUtf8();
    }
    MemberReader reader() const
    {
        return [core = core, addition = addition](const QString& archive, const QString& member) {
            return archive == SignatureSets::kCoreArchive ? core.value(member)
                                                          : addition.value(member);
        };
    }
};

// One scan session over an environment, with a recording host, loaded tables
// and built hash tables: what the scan thread has set up before an area runs.
class AreaHarness
{
public:
    AreaHarness(Environment& environment, const DefinitionTables& tables,
                ScanOptions options = {})
        : m_session(std::make_unique<ScanSession>(host, environment, std::move(options)))
    {
        m_session->signatures().load(tables.reader());
        m_session->signatures().buildHashTables([] { return false; });
        host.beginRun({});
        m_session->resetProgress();
        m_session->areaStart();
    }

    ScanSession& session() { return *m_session; }
    QStringList rows() const { return host.rowTexts(); }

    RecordingScanHost host;

private:
    std::unique_ptr<ScanSession> m_session;
};

} // namespace veridon::test
