#pragma once

#include "cli/scan/Command.h"
#include "cli/scan/ScanOutput.h"
#include "engine/TSdScanThread.h"

#include <QString>
#include <QStringList>

namespace veridon {
class FileSystem;
}

namespace veridon::cli {

// What `veridon-scan [options] [TARGET...]` asks for.
struct ScanRequest
{
    enum class Kind
    {
        Smart,
        Full,
        Custom,
        One,
    };
    Kind kind = Kind::Smart;
    QString areasOverride;  // --areas BITS
    QStringList targets;    // custom targets, or the one target (as given)
    bool allFiles = false;
    int maxSizeMb = 10;
    OutputFormat format = OutputFormat::Text;
    bool remove = false;
    bool quarantine = true;
    bool ignoreList = true;
};

// Takes the scan's options out of the line; what remains are the targets.
// Throws std::runtime_error for a bad option.
ScanRequest parseScanRequest(CommandLine& line);

// The Windows form of a target: a Windows path as given, a host path through
// the environment's drives. Throws when no drive covers a host path.
QString windowsTarget(const FileSystem& files, const QString& target);

// Areas text, targets text and run mode of a request.
struct ScanPlan
{
    QString areasText;
    QString targetsText;
    RunMode runMode = RunMode::Scan;
};
ScanPlan planScan(const ScanRequest& request, const FileSystem& files);

// The smart and full scans' areas: every area.
inline const QString kAllAreas = QStringLiteral("11111111111");
// A custom scan's areas: Unwanted Programs over the targets.
inline const QString kCustomAreas = QStringLiteral("00000000111");

int runScan(CommandContext& context);

} // namespace veridon::cli
