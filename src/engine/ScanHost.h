#pragma once

#include "engine/TDetectionRecord.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace veridon {

// Command codes posted to the main window (WM_MAINFORM_COMMAND).
namespace ScanCommand {
constexpr int kScanEnded = 0;     // (0, 0)
constexpr int kRemovalEnded = 1;  // (1, 0)
constexpr int kFirstDetection = 2; // (2, 0)
constexpr int kAreaDone = 3;      // (3, k)
} // namespace ScanCommand

// Everything the scan thread asks of "the window". The window implements it
// with blocking calls onto its own thread; the command line implements it
// directly. The thread owns the numbers (counters, progress position); the
// host only shows them.
class ScanHost
{
public:
    virtual ~ScanHost() = default;

    // A run begins: the host's results model forgets the objects seen so far
    // and takes the run's white list (lower-cased entries).
    virtual void beginRun(const QStringList& whiteList) = 0;
    // Progress back to its start (position 2 of 100) and the path label emptied.
    virtual void resetProgress() = 0;
    virtual void showArea(const QString& statusText) = 0;
    virtual void showObject(const QString& objectText, std::int64_t scanned,
                            std::int64_t infected) = 0;
    virtual void setProgress(int position, int maximum) = 0;
    // The hand-over: returns whether a row was added (false for a duplicate or
    // a white-listed object). `infected` already counts this detection.
    virtual bool addDetection(const TDetectionRecord& record, std::int64_t infected) = 0;
    virtual void postCommand(int code, int param) = 0;
};

} // namespace veridon
