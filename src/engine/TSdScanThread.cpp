#include "engine/TSdScanThread.h"

#include "engine/DigestCache.h"

#include <exception>

namespace veridon {
namespace {

struct AreaLabel
{
    const char* key;
    const char* defaultText;
};

constexpr std::array<AreaLabel, ScanAreas::kCount> kAreaLabels = {{
    {"RunningProcesses", "Running Processes"},
    {"CriticalAreas", "Critical Areas"},
    {"FileSystem", "File System"},
    {"BrowserObjects", "Browser Objects"},
    {"SystemHijacks", "System Hijacks"},
    {"TrackingCookies", "Tracking Cookies"},
    {"WindowsRegistry", "Windows Registry"},
    {"RecentActive", "Recent Active Threats"},
    {"UnwantedPrograms", "Unwanted Programs"},
}};

} // namespace

TSdScanThread::TSdScanThread(ScanHost& host, Environment& environment, Parameters parameters,
                             ScanAreas areas, MemberReader readMember,
                             WhiteListBuilder whiteList, ScanCacheFactory openCache)
    : m_host(host), m_parameters(std::move(parameters)), m_areas(std::move(areas)),
      m_readMember(std::move(readMember)), m_buildWhiteList(std::move(whiteList)),
      m_openCache(std::move(openCache)), m_session(host, environment, m_parameters.options)
{
}

TSdScanThread::~TSdScanThread()
{
    // Like the platform's thread object: destruction waits for the body.
    requestStop();
    wait();
}

void TSdScanThread::start()
{
    m_thread = std::thread([this] { run(); });
}

void TSdScanThread::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::array<bool, ScanAreas::kCount> TSdScanThread::parseAreas(const QString& areasText)
{
    std::array<bool, ScanAreas::kCount> on{};
    for (int k = 0; k < ScanAreas::kCount; ++k)
        on[std::size_t(k)] = k < areasText.size() && areasText[k] == QLatin1Char('1');
    return on;
}

QString TSdScanThread::localised(const char* key, const char* defaultText) const
{
    const QString text = m_parameters.localisation.value(QString::fromLatin1(key).toLower());
    return text.isEmpty() ? QString::fromLatin1(defaultText) : text;
}

void TSdScanThread::run()
{
    if (m_parameters.runMode == RunMode::Removal) {
        if (m_areas.removal)
            m_areas.removal();
        return;
    }
    m_failure.clear();
    try {
        scanBody();
    } catch (const std::exception& e) {
        m_failure = QString::fromUtf8(e.what());
    } catch (...) {
        m_failure = QStringLiteral("unknown failure");
    }
    endOfRun();
}

void TSdScanThread::scanBody()
{
    ScanSession& s = m_session;
    s.resetProgress();

    SignatureSets& sets = s.signatures();
    sets.load(m_readMember);
    if (m_openCache)
        s.setScanCache(m_openCache(sets.coreVersion()));
    const auto stop = [&s] { return s.stopRequested(); };

    if (m_parameters.runMode == RunMode::OneTarget) {
        m_host.beginRun(m_buildWhiteList(sets.joined(QStringLiteral("White.db"))));
        if (sets.buildHashTables(stop) && m_areas.oneTarget)
            m_areas.oneTarget(s);
        return;
    }

    m_host.postCommand(ScanCommand::kAreaDone, 0);
    sets.buildHashTables(stop);
    m_host.beginRun(m_buildWhiteList(sets.joined(QStringLiteral("White.db"))));
    QString format = localised("ScanningFor", "Scan For %s");

    const auto enabled = parseAreas(m_parameters.areasText);
    for (int k = 0; k < ScanAreas::kCount; ++k) {
        const auto slot = std::size_t(k);
        if (enabled[slot] && !s.stopRequested() && m_areas.areas[slot]) {
            const AreaLabel& label = kAreaLabels[slot];
            s.showArea(QString(format).replace(QLatin1String("%s"),
                                               localised(label.key, label.defaultText)));
            s.areaStart();
            m_areas.areas[slot](s);
        }
        if (k + 1 < ScanAreas::kCount)
            m_host.postCommand(ScanCommand::kAreaDone, k + 1);
    }
    s.finishProgress();
}

void TSdScanThread::endOfRun()
{
    // A detected file is hashed and checked in full at the next scan.
    if (std::unique_ptr<DigestCache> cache = m_session.takeScanCache()) {
        for (const QString& object : m_session.handedOverObjects()) {
            try {
                cache->Forget(object);
            } catch (...) {
            }
        }
        try {
            cache->Flush();
        } catch (...) {
        }
    }
    m_host.postCommand(ScanCommand::kScanEnded, 0);
}

} // namespace veridon
