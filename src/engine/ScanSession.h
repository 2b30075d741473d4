#pragma once

#include "engine/DigestCache.h"
#include "engine/PauseGate.h"
#include "engine/ScanHost.h"
#include "engine/SignatureSets.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

namespace veridon {

class Environment;
class TAppFrame;

// Check numbers of the id code: which table produced a detection.
namespace Check {
constexpr int kBrowserObject = 1;
constexpr int kCriticalArea = 2;
constexpr int kFileSystem = 3;
constexpr int kRecentActive = 4;
constexpr int kWindowsRegistry = 5;
constexpr int kSystemHijack = 6;
constexpr int kTrackingCookie = 7;
constexpr int kVersion = 8;
constexpr int kHash = 9;
constexpr int kHashAddition = 10;
constexpr int kBytePattern = 11;
constexpr int kBytePatternAddition = 12;
constexpr int kVersionAddition = 13;
} // namespace Check

// Options of one run, fixed when the scan thread is created.
struct ScanOptions
{
    QString targets;         // empty, "folder;" list, or the one target of run mode 3
    bool scanAllFiles = false;
    std::int64_t maxFileSize = 10 << 20; // bytes; files this large are not checked
    int riskLevel = 2;
    int cookieRiskLevel = 1;
};

// What a scan area works with: the environment, the tables, the counters and
// the progress of the run, and the hand-over of detections to the host. Used
// by the scan thread alone.
class ScanSession
{
public:
    ScanSession(ScanHost& host, Environment& environment, ScanOptions options);
    ~ScanSession();

    Environment& environment() { return m_environment; }
    // The folder look-ups of the path macros, made once per run on first use.
    const TAppFrame& appFrame();
    const ScanOptions& options() const { return m_options; }
    SignatureSets& signatures() { return m_signatures; }
    DigestCache* scanCache() { return m_cache.get(); }
    void setScanCache(std::unique_ptr<DigestCache> cache);
    std::unique_ptr<DigestCache> takeScanCache();

    // Stop and pause, polled before every item. Waits while paused.
    bool stopRequested();
    void requestStop();
    PauseGate& pauseGate() { return m_pause; }

    // Counters.
    void countObject() { ++m_scanned; }
    void countFileExamined() { ++m_filesExamined; }
    std::int64_t objectsScanned() const { return m_scanned; }
    std::int64_t objectsInfected() const { return m_infected; }

    // The hand-over of one detection; `cookie` selects the cookie risk level.
    void handOver(int check, int signatureIndex, const QString& threatName,
                  const QString& typeText, const QString& objectText,
                  const QString& extraText = {}, bool cookie = false);
    // Every object text handed over in this run, duplicates included.
    const QStringList& handedOverObjects() const { return m_handedOver; }

    // Display of the object being checked, throttled to every 21st object and
    // at most one update per 100 ms.
    void showObject(const QString& objectText);
    void showObjectWithFileProgress(const QString& objectText);
    void showObjectGrowing(const QString& objectText);
    void showArea(const QString& statusText);

    // Progress.
    void resetProgress();
    void areaStart() { m_areaBase = m_position; }
    // position := area base + index * share / (count - 1); a one-item area
    // moves straight to the end of its share.
    void areaStep(int itemIndex, int itemCount, int share);
    void finishProgress();
    int progressPosition() const { return m_position; }

private:
    bool displayDue();
    void setProgress(int position, int maximum);

    ScanHost& m_host;
    Environment& m_environment;
    ScanOptions m_options;
    SignatureSets m_signatures;
    std::unique_ptr<DigestCache> m_cache;
    std::unique_ptr<TAppFrame> m_appFrame;

    std::atomic<bool> m_stop{false};
    PauseGate m_pause;

    std::int64_t m_scanned = 0;
    std::int64_t m_infected = 0;
    std::int64_t m_filesExamined = 0;
    std::int64_t m_fileEstimate = 20000;
    QStringList m_handedOver;

    int m_position = 0;
    int m_maximum = 100;
    int m_areaBase = 0;
    QElapsedTimer m_sinceDisplay;
};

} // namespace veridon
