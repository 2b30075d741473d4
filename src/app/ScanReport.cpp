#include "app/ScanReport.h"

#include "tools/WindowsName.h"

#include "app/AnsiText.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>

#include <stdexcept>

namespace veridon {

QString operatingSystemName(int platformId, int major, int minor)
{
    if (platformId != kPlatformWin32Nt)
        return {};
    // The report names every NT version; the utilities' names stop at Vista.
    const QString known = GetWindowsName(platformId, major, minor);
    if (!known.isEmpty())
        return known;
    if (major == 6 && minor == 1)
        return QStringLiteral("Windows 7");
    return QStringLiteral("Windows %1.%2").arg(major).arg(minor);
}

QString operatingSystemName(const QString& majorDotMinor)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)\\.(\\d+)$"));
    const auto match = form.match(majorDotMinor.trimmed());
    if (!match.hasMatch())
        return {};
    return operatingSystemName(kPlatformWin32Nt, match.captured(1).toInt(), match.captured(2).toInt());
}

QStringList reportLines(const std::vector<ResultRow>& rows, const ReportHeader& header,
                        const TextLookup& text)
{
    const QLocale locale = QLocale::system();
    const QString when = locale.toString(header.time.date(), QLocale::ShortFormat) +
                         QLatin1Char(' ') +
                         locale.toString(header.time.time(), QLocale::LongFormat);
    QStringList lines{
        QStringLiteral("Teliq Veridon"),
        QString(),
        text(QStringLiteral("OS"), QStringLiteral("OS:")) + header.osName,
        text(QStringLiteral("Version"), QStringLiteral("Version:")) + header.fileVersion,
        text(QStringLiteral("DefineVersion"), QStringLiteral("Define Version:")) +
            header.definitionVersion,
        text(QStringLiteral("time"), QStringLiteral("Time:")) + when,
        QString(),
        text(QStringLiteral("Head"), QStringLiteral("|Name|Type|Description|ID|")),
    };
    const QString comma = QStringLiteral(", ");
    for (const ResultRow& row : rows)
        lines.append(row.caption + comma + row.record.typeText + comma + row.record.objectText +
                     comma + row.record.idCode);
    return lines;
}

void writeReport(const QString& hostPath, const std::vector<ResultRow>& rows,
                 const ReportHeader& header, const TextLookup& text)
{
    writeFileAtomically(hostPath, encodeAnsiText(joinLinesCrLf(reportLines(rows, header, text))));
}

QString scanLogName(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return QStringLiteral("%1-%2-%3 %4-%5-%6.log")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

QString writeScanLog(const QString& programDir, const std::vector<ResultRow>& rows,
                     const ReportHeader& header, const TextLookup& text)
{
    const QString folder = QDir(programDir).filePath(QStringLiteral("log/Scan"));
    if (!QDir().mkpath(folder))
        throw std::runtime_error("Cannot create folder " + folder.toStdString());
    const QString path = QDir(folder).filePath(scanLogName(header.time));
    writeReport(path, rows, header, text);
    return path;
}

} // namespace veridon
