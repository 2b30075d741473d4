#pragma once

#include "engine/ScanSession.h"

#include <QHash>
#include <QString>

#include <array>
#include <functional>
#include <thread>

namespace veridon {

class Environment;

using ScanArea = std::function<void(ScanSession&)>;

// The nine areas in run order, the scan of one target, and removal. The
// engine knows only their slots: the registry areas and removal live in a
// higher layer, which fills them in.
struct ScanAreas
{
    static constexpr int kCount = 9;
    std::array<ScanArea, kCount> areas;
    ScanArea oneTarget;
    std::function<void()> removal;
};

enum class RunMode
{
    Scan = 1,
    Removal = 2,
    OneTarget = 3,
};

// Builds the lower-cased white list from the joined White.db lines.
using WhiteListBuilder = std::function<QStringList(const QStringList& lines)>;
// Opens the scan cache for a definition version.
using ScanCacheFactory = std::function<std::unique_ptr<DigestCache>(const QString& version)>;

// One scan or removal run. `run()` is the thread body; `start()` runs it on a
// thread of its own. Stop and pause may be called from any thread.
class TSdScanThread
{
public:
    struct Parameters
    {
        QString areasText; // "1" at position k switches area k on
        RunMode runMode = RunMode::Scan;
        ScanOptions options;
        // Localised texts by lower-case key; an empty or missing text falls back
        // to the built-in one.
        QHash<QString, QString> localisation;
    };

    TSdScanThread(ScanHost& host, Environment& environment, Parameters parameters,
                  ScanAreas areas, MemberReader readMember, WhiteListBuilder whiteList,
                  ScanCacheFactory openCache);
    ~TSdScanThread();

    void start();
    void wait();
    void run();

    void requestStop() { m_session.requestStop(); }
    void pause() { m_session.pauseGate().pause(); }
    void resume() { m_session.pauseGate().resume(); }

    ScanSession& session() { return m_session; }
    // Why the last run ended early (a missing archive or member, say); empty
    // when it ran to its end.
    const QString& failure() const { return m_failure; }

    static std::array<bool, ScanAreas::kCount> parseAreas(const QString& areasText);

private:
    void scanBody();
    void endOfRun();
    QString localised(const char* key, const char* defaultText) const;

    ScanHost& m_host;
    Parameters m_parameters;
    ScanAreas m_areas;
    MemberReader m_readMember;
    WhiteListBuilder m_buildWhiteList;
    ScanCacheFactory m_openCache;
    ScanSession m_session;
    QString m_failure;
    std::thread m_thread;
};

} // namespace veridon
