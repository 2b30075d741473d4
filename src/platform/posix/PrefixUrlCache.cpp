#include "platform/posix/PrefixUrlCache.h"

#include "platform/FileSystem.h"
#include "platform/ProcessTable.h"
#include "platform/ShellFolders.h"
#include "platform/UrlCacheIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace veridon {
namespace {

constexpr qint64 kMaxIndexSize = 64 * 1024 * 1024; // the format itself tops out near 16 MiB
constexpr qint64 kMaxCookieFile = 1024 * 1024;

QString indexPath(const UrlCacheContainer& container)
{
    return container.hostFolder + QStringLiteral("/index.dat");
}

std::optional<UrlCacheIndex> readIndex(const UrlCacheContainer& container)
{
    QFile file(indexPath(container));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxIndexSize)
        return std::nullopt;
    return UrlCacheIndex::parse(file.readAll());
}

QString windowsChild(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('\\')) ? folder + name : folder + QLatin1Char('\\') + name;
}

QString hostChild(const UrlCacheContainer& container, const UrlCacheIndex::Record& record)
{
    return record.subfolder.isEmpty() ? container.hostFolder + QLatin1Char('/') + record.fileName
                                      : container.hostFolder + QLatin1Char('/') + record.subfolder +
                                            QLatin1Char('/') + record.fileName;
}

// The host/path of a cookie file's first record: IE's records are nine lines
// (name, value, host/path, flags, expiry low and high, creation low and high,
// "*"). Nothing when the file is not one.
std::optional<QString> cookieHostPath(const QString& hostFile)
{
    QFile file(hostFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxCookieFile)
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 9 || lines[8].trimmed() != "*")
        return std::nullopt;
    const QString hostPath = QString::fromLatin1(lines[2].trimmed());
    if (hostPath.isEmpty())
        return std::nullopt;
    return hostPath;
}

std::vector<UrlCacheEntry> derivedCookieEntries(const UrlCacheContainer& container,
                                                const QString& user)
{
    std::vector<UrlCacheEntry> entries;
    const QFileInfoList files =
        QDir(container.hostFolder)
            .entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        const auto hostPath = cookieHostPath(info.filePath());
        if (!hostPath)
            continue;
        entries.push_back({QStringLiteral("Cookie:") + user + QLatin1Char('@') + *hostPath,
                           windowsChild(container.windowsFolder, info.fileName()),
                           UrlCacheType::Cookie, quint64(info.size())});
    }
    return entries;
}

QString localFileOf(const UrlCacheContainer& container, const UrlCacheIndex::Record& record)
{
    if (record.fileName.isEmpty())
        return {};
    QString folder = container.windowsFolder;
    if (!record.subfolder.isEmpty())
        folder = windowsChild(folder, record.subfolder);
    return windowsChild(folder, record.fileName);
}

} // namespace

PrefixUrlCache::PrefixUrlCache(Containers containers, std::function<QString()> userName,
                               const ProcessTable* processes)
    : m_containers(std::move(containers)), m_userName(std::move(userName)), m_processes(processes)
{
}

std::vector<UrlCacheEntry> PrefixUrlCache::entries() const
{
    std::vector<UrlCacheEntry> entries;
    for (const UrlCacheContainer& container : m_containers()) {
        if (const auto index = readIndex(container)) {
            for (const UrlCacheIndex::Record& record : index->records())
                entries.push_back(
                    {record.url, localFileOf(container, record), record.type, record.size});
        } else if (container.cookies && !QFile::exists(indexPath(container))) {
            for (UrlCacheEntry& entry : derivedCookieEntries(container, m_userName()))
                entries.push_back(std::move(entry));
        }
    }
    return entries;
}

bool PrefixUrlCache::deleteEntry(const QString& name)
{
    // The scan reports a cookie by its local file, removal names entries by URL:
    // either identifies the entry.
    auto matches = [&name](const QString& url, const QString& localFile) {
        return url == name ||
               (!localFile.isEmpty() && localFile.compare(name, Qt::CaseInsensitive) == 0);
    };
    for (const UrlCacheContainer& container : m_containers()) {
        const QString index = indexPath(container);
        if (auto parsed = readIndex(container)) {
            const auto found = std::find_if(
                parsed->records().begin(), parsed->records().end(), [&](const auto& record) {
                    return matches(record.url, localFileOf(container, record));
                });
            if (found == parsed->records().end())
                continue;
            // A running WinINet keeps the index mapped and would not see the change.
            if (m_processes && m_processes->isFileOpen(index))
                return false;
            const auto record = parsed->remove(found->url);
            QSaveFile out(index);
            if (!out.open(QIODevice::WriteOnly) ||
                out.write(parsed->bytes()) != parsed->bytes().size() || !out.commit())
                return false;
            if (!record->fileName.isEmpty())
                QFile::remove(hostChild(container, *record));
            return true;
        }
        if (container.cookies && !QFile::exists(index)) {
            for (const UrlCacheEntry& entry : derivedCookieEntries(container, m_userName())) {
                if (!matches(entry.sourceUrl, entry.localFile))
                    continue;
                const QString file = entry.localFile.section(QLatin1Char('\\'), -1);
                return QFile::remove(container.hostFolder + QLatin1Char('/') + file);
            }
        }
    }
    return false;
}

std::unique_ptr<UrlCache> PrefixUrlCache::forEnvironment(const FileSystem& files,
                                                         const ShellFolders& folders,
                                                         const ProcessTable& processes)
{
    auto containers = [&files, &folders] {
        std::vector<UrlCacheContainer> list;
        auto add = [&](int csidl, const QString& sub, bool cookies) {
            QString folder = folders.specialFolder(csidl);
            if (folder.isEmpty())
                return;
            if (!sub.isEmpty())
                folder = windowsChild(folder, sub);
            const QString host = files.toHostPath(folder);
            if (!host.isEmpty())
                list.push_back({folder, host, cookies});
        };
        add(Csidl::InternetCache, QStringLiteral("Content.IE5"), false);
        add(Csidl::Cookies, QString(), true);
        add(Csidl::History, QStringLiteral("History.IE5"), false);
        return list;
    };
    auto user = [&folders] {
        QString profile = folders.profileFolder();
        return profile.section(QLatin1Char('\\'), -1, -1, QString::SectionSkipEmpty);
    };
    return std::make_unique<PrefixUrlCache>(containers, user, &processes);
}

std::unique_ptr<UrlCache> createUrlCache(const FileSystem& files, const ShellFolders& folders,
                                         const ProcessTable& processes)
{
    return PrefixUrlCache::forEnvironment(files, folders, processes);
}

} // namespace veridon
