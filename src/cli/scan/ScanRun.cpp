#include "cli/scan/ScanRun.h"

#include "app/ScanReport.h"
#include "app/ScanServices.h"
#include "app/TIgnore.h"
#include "cli/scan/CliScanHost.h"
#include "platform/Environment.h"
#include "remedy/ThreatRemover.h"
#include "tools/TLanguage.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace veridon::cli {
namespace {

bool isWindowsPath(const QString& path)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:([\\\\/]|$)"));
    return drive.match(path).hasMatch();
}

// The texts of the scan thread's table that a run looks up.
QHash<QString, QString> threadTexts(const TLanguage& language)
{
    static const char* const kKeys[] = {
        "ScanningFor",   "RunningProcesses", "CriticalAreas",   "FileSystem",
        "BrowserObjects", "SystemHijacks",   "TrackingCookies", "WindowsRegistry",
        "RecentActive",  "UnwantedPrograms",
    };
    QHash<QString, QString> texts;
    for (const char* key : kKeys) {
        const QString text = language.GetText(QString::fromLatin1(key), QString());
        if (!text.isEmpty())
            texts.insert(QString::fromLatin1(key).toLower(), text);
    }
    return texts;
}

QString countText(const TLanguage& language, qsizetype count, const char* singularKey,
                  const char* singular, const char* pluralKey, const char* plural)
{
    const bool many = count > 1;
    QString format = language.GetText(QString::fromLatin1(many ? pluralKey : singularKey),
                                      QString::fromLatin1(many ? plural : singular));
    return format.replace(QLatin1String("%d"), QString::number(count));
}

} // namespace

ScanRequest parseScanRequest(CommandLine& line)
{
    ScanRequest request;
    const bool full = line.takeFlag(QStringLiteral("--full"));
    const auto one = line.takeValue(QStringLiteral("--one"));
    if (const auto areas = line.takeValue(QStringLiteral("--areas"))) {
        static const QRegularExpression bits(QStringLiteral("^[01]*$"));
        if (!bits.match(*areas).hasMatch())
            throw std::runtime_error("--areas takes a text of 0 and 1, like 11111111111");
        request.areasOverride = *areas;
    }
    request.allFiles = line.takeFlag(QStringLiteral("--all-files"));
    if (const auto size = line.takeValue(QStringLiteral("--max-size"))) {
        bool ok = false;
        request.maxSizeMb = size->toInt(&ok);
        // The thread keeps the size in bytes in a 32-bit number.
        if (!ok || request.maxSizeMb < 0 || request.maxSizeMb > 2047)
            throw std::runtime_error("--max-size takes megabytes from 0 to 2047");
    }
    if (const auto format = line.takeValue(QStringLiteral("--format"))) {
        const auto parsed = parseOutputFormat(*format);
        if (!parsed)
            throw std::runtime_error("--format takes text, tsv or json");
        request.format = *parsed;
    }
    request.remove = line.takeFlag(QStringLiteral("--remove"));
    request.quarantine = !line.takeFlag(QStringLiteral("--no-quarantine"));
    request.ignoreList = !line.takeFlag(QStringLiteral("--no-ignore"));
    for (const QString& word : std::as_const(line.words))
        if (word.startsWith(QLatin1String("--")))
            throw std::runtime_error("unknown option " + word.toStdString());

    const int kinds = int(full) + int(one.has_value()) + int(!line.words.isEmpty());
    if (kinds > 1)
        throw std::runtime_error("--full, --one and targets exclude each other");
    if (full) {
        request.kind = ScanRequest::Kind::Full;
    } else if (one) {
        request.kind = ScanRequest::Kind::One;
        request.targets = QStringList{*one};
    } else if (!line.words.isEmpty()) {
        request.kind = ScanRequest::Kind::Custom;
        request.targets = line.words;
    }
    line.words.clear();
    return request;
}

QString windowsTarget(const FileSystem& files, const QString& target)
{
    if (isWindowsPath(target))
        return target;
    const QString host = QFileInfo(target).absoluteFilePath();
    const QString windows = files.toWindowsPath(host);
    if (windows.isEmpty())
        throw std::runtime_error("no drive of the environment holds " + host.toStdString());
    return windows;
}

ScanPlan planScan(const ScanRequest& request, const FileSystem& files)
{
    ScanPlan plan;
    switch (request.kind) {
    case ScanRequest::Kind::Smart:
        plan.areasText = kAllAreas;
        break;
    case ScanRequest::Kind::Full:
        plan.areasText = kAllAreas;
        for (const QString& root : files.logicalDrives()) {
            const QChar letter = root.isEmpty() ? QChar() : root[0].toUpper();
            const DriveType type = files.driveType(root);
            if (letter == QLatin1Char('A') || letter == QLatin1Char('B'))
                continue;
            if (type != DriveType::Removable && type != DriveType::Fixed)
                continue;
            if (files.volumeFileSystem(root).isEmpty())
                continue;
            plan.targetsText += root + QLatin1Char(';');
        }
        break;
    case ScanRequest::Kind::Custom:
        plan.areasText = kCustomAreas;
        for (const QString& target : request.targets)
            plan.targetsText += windowsTarget(files, target) + QLatin1Char(';');
        break;
    case ScanRequest::Kind::One:
        plan.runMode = RunMode::OneTarget;
        plan.targetsText = windowsTarget(files, request.targets.value(0));
        break;
    }
    if (!request.areasOverride.isNull())
        plan.areasText = request.areasOverride;
    return plan;
}

int runScan(CommandContext& context)
{
    const ScanRequest request = parseScanRequest(context.line);
    const OwnPaths& paths = context.paths;
    std::unique_ptr<Environment> environment =
        Environment::open(Environment::defaultPrefix(context.line.prefix));
    const ScanPlan plan = planScan(request, environment->files());

    TLanguage language(QString::fromLatin1(TLanguage::kPrefix),
                       QDir(paths.programDir).filePath(QStringLiteral("Language")));
    ScanServices services = makeScanServices(*environment, paths);

    CliScanHost host(isatty(fileno(stderr)) ? stderr : nullptr);
    TSdScanThread::Parameters parameters;
    parameters.areasText = plan.areasText;
    parameters.runMode = plan.runMode;
    parameters.options.targets = plan.targetsText;
    parameters.options.scanAllFiles = request.allFiles;
    parameters.options.maxFileSize = std::int64_t(request.maxSizeMb) << 20;
    parameters.localisation = threadTexts(language);

    TSdScanThread scan(host, *environment, parameters, services.areas,
                       services.readMember, services.whiteList,
                       services.openCache);
    scan.run();
    if (!scan.failure().isEmpty()) {
        host.endProgress();
        std::fprintf(stderr, "veridon-scan: %s\n", scan.failure().toLocal8Bit().constData());
        return kExitError;
    }
    const QString definitionVersion = scan.session().signatures().coreVersion();

    // Ignored detections leave the list at the end of the scan, as in the window.
    qsizetype ignored = 0;
    if (request.ignoreList) {
        TIgnore ignore(paths.dataDir, paths.programDir);
        ignore.Load();
        auto& rows = host.results().rows();
        for (auto it = rows.size(); it-- > 0;) {
            const TDetectionRecord& record = rows[it].record;
            if (ignore.Contains(TIgnore::keyOf(record.typeText, record.objectText))) {
                rows.erase(rows.begin() + std::ptrdiff_t(it));
                ++ignored;
            }
        }
    }

    std::vector<std::size_t> remaining;
    for (std::size_t i = 0; i < host.results().rows().size(); ++i)
        remaining.push_back(i);
    QString logPath;
    if (request.remove && !host.results().rows().empty()) {
        ThreatRemover::Parameters removal;
        if (request.quarantine)
            removal.quarantineFolder =
                paths.programDir + QStringLiteral("/Quarantine Zone/");
        removal.removedImageIndex = 0;
        removal.statusText = language.GetText(QStringLiteral("Removing"),
                                              QStringLiteral("Removing"));
        removal.text = [&language](const QString& key, const QString& text) {
            return language.GetText(key, text);
        };
        RemovalServices removalServices = services.removal;
        removalServices.progressPause = nullptr; // nothing to watch on a command line
        ThreatRemover remover(*environment, removalServices, host, removal);
        const std::vector<ResultRow> snapshot = host.results().rows();

        TSdScanThread::Parameters removalRun;
        removalRun.runMode = RunMode::Removal;
        ScanAreas removalAreas;
        removalAreas.removal = [&remover, &snapshot] { remover.run(snapshot); };
        TSdScanThread removalThread(host, *environment, removalRun, removalAreas, nullptr,
                                    nullptr, nullptr);
        removalThread.run();
        remaining = remover.remainingRows();

        const ReportHeader header{
            operatingSystemName(environment->shellFolders().windowsVersion()),
            QStringLiteral(VERIDON_VERSION), definitionVersion,
            QDateTime::currentDateTime()};
        logPath = writeScanLog(paths.programDir, host.results().rows(), header,
                               [&language](const QString& key, const QString& text) {
                                   return language.GetText(key, text);
                               });
    }
    host.endProgress();

    const auto& rows = host.results().rows();
    QString summary;
    if (request.format == OutputFormat::Text) {
        summary = countText(language, qsizetype(rows.size()), "ThreatDetected",
                            "%d threat detected", "ThreatsDetected", "%d threats detected");
        if (ignored > 0)
            summary += QStringLiteral(", ") +
                       countText(language, ignored, "ThreatIgnored", "%d threat ignored",
                                 "ThreatsIgnored", "%d threats ignored");
        if (request.remove && !rows.empty())
            summary += QStringLiteral(", ") +
                       countText(language, qsizetype(rows.size() - remaining.size()),
                                 "ThreatRemoved", "%d threat removed", "ThreatsRemoved",
                                 "%d threats removed") +
                       QStringLiteral("\nScan log: ") + QDir::toNativeSeparators(logPath);
    }
    const QByteArray out = formatRows(rows, request.format, request.remove, summary);
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    std::fflush(stdout);
    return remaining.empty() ? kExitClean : kExitFound;
}

} // namespace veridon::cli
