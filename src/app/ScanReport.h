#pragma once

#include "app/TextLookup.h"
#include "engine/ResultsModel.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace veridon {

// What the head of a report says besides the rows.
struct ReportHeader
{
    QString osName;            // see operatingSystemName
    QString fileVersion;       // the program file's FileVersion
    QString definitionVersion;
    QDateTime time;            // written in the regional short date, long time form
};

// The operating-system name of a GetVersionEx answer; empty off the NT platform.
QString operatingSystemName(int platformId, int major, int minor);
// The same from a "major.minor" text (the scanned environment's version); empty
// when the text is not of that form.
QString operatingSystemName(const QString& majorDotMinor);

// The report's lines: the eight head lines, then one per row in list order
// (caption, type, object and id code joined by ", ").
QStringList reportLines(const std::vector<ResultRow>& rows, const ReportHeader& header,
                        const TextLookup& text);

// Writes the report (CR LF, system code page), replacing the file; throws
// std::runtime_error when it cannot be written.
void writeReport(const QString& hostPath, const std::vector<ResultRow>& rows,
                 const ReportHeader& header, const TextLookup& text);

// The scan log's name for a time: "yyyy-mm-dd h-m-s.log".
QString scanLogName(const QDateTime& time);

// Writes the scan log of a removal run into the program folder's log/Scan
// folder (created with its parents) and returns its path.
QString writeScanLog(const QString& programDir, const std::vector<ResultRow>& rows,
                     const ReportHeader& header, const TextLookup& text);

} // namespace veridon
