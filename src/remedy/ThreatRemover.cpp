#include "remedy/ThreatRemover.h"

#include "engine/ScanHost.h"
#include "engine/TDetectionRecord.h"
#include "platform/Environment.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace veridon {
namespace {

const QString kValueMarker = QStringLiteral(" Value=");

// Round() of the progress formulas: the nearest integer, halves to the even
// one, computed exactly for (n + 100) * 0.05.
int roundedTwentieth(int n)
{
    const long long q = (static_cast<long long>(n) + 100) * 5;
    long long whole = q / 100;
    const long long rest = q % 100;
    if (rest > 50 || (rest == 50 && whole % 2 != 0))
        ++whole;
    return static_cast<int>(whole);
}

QString fileNameOf(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')),
                                   path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('\\') + name;
}

// Splits a registry object text into root, key and (for values) value name.
bool splitRegistryObject(const QString& objectText, RegRoot& root, QString& key,
                         QString& valueName, bool& isValue)
{
    const qsizetype marker = objectText.indexOf(kValueMarker);
    isValue = marker >= 0;
    const QString keyText = isValue ? objectText.left(marker) : objectText;
    valueName = isValue ? objectText.mid(marker + kValueMarker.size()) : QString();
    if (!parseRegistryPath(keyText, root, key))
        return false;
    // A whole hive is never a detection: an object text without a key path is
    // damaged, and deleting "its" key would wipe the hive.
    return !key.isEmpty();
}

} // namespace

ThreatRemover::ThreatRemover(Environment& environment, RemovalServices services,
                             RemovalHost& host, Parameters parameters)
    : m_environment(environment), m_services(std::move(services)), m_host(host),
      m_parameters(std::move(parameters))
{
}

QString ThreatRemover::caption(const char* key, const char* defaultText,
                               const QString& name) const
{
    const QString fallback = QString::fromLatin1(defaultText);
    QString text = m_parameters.text ? m_parameters.text(QString::fromLatin1(key), fallback)
                                     : fallback;
    if (text.isEmpty())
        text = fallback;
    return text + QStringLiteral(" - ") + name;
}

void ThreatRemover::pause(int milliseconds) const
{
    if (m_services.progressPause)
        m_services.progressPause(milliseconds);
}

void ThreatRemover::run(const std::vector<ResultRow>& rows, const std::function<bool()>& stop)
{
    const auto stopped = [&stop] { return stop && stop(); };
    const int n = static_cast<int>(rows.size());
    const int share = roundedTwentieth(n);
    const int maximum = n + share + 100;

    m_host.setStatus(m_parameters.statusText);
    int position = 0;
    const auto setBar = [&](int to) {
        position = to;
        m_host.setProgress(position, maximum);
    };
    setBar(0);
    for (int step = 0; step < 100; ++step) {
        pause(20);
        setBar(position + 1);
    }
    int base = position;

    m_remaining.clear();
    QStringList folders;
    QStringList folderNames;
    std::vector<std::size_t> folderRows;
    for (int i = 0; i < n && !stopped(); ++i) {
        if (i > 1)
            setBar(base + i * n / (maximum - 1));
        pause(10);
        const ResultRow& row = rows[std::size_t(i)];
        if (!row.checked)
            continue;
        const std::size_t index = std::size_t(i);
        const QString& name = row.record.threatName;
        const QString& type = row.record.typeText;
        const QString& object = row.record.objectText;

        bool gone = true;
        if (type == ObjectType::kFolder) {
            folders.append(object);
            folderNames.append(name);
            folderRows.push_back(index);
        } else if (type == ObjectType::kRegistryKey || type == ObjectType::kRegistryValue) {
            gone = deleteRegistryObject(object);
        } else if (type == ObjectType::kRegistryData) {
            gone = restoreRegistryData(object, row.record.extraText);
        } else if (type == ObjectType::kCookies) {
            gone = false;
            if (m_services.deleteCacheEntry) {
                try {
                    gone = m_services.deleteCacheEntry(object);
                } catch (...) {
                }
            }
        }
        m_host.setCaption(index, caption("Removed", "Removed", name));

        if ((type == ObjectType::kFile || type == ObjectType::kMemoryProcess) &&
            m_environment.files().stat(object)) {
            const QString outcome = removeFile(object, name, gone);
            if (outcome == QLatin1String("Quarantined"))
                m_host.setCaption(index, caption("Quarantined", "Quarantined", name));
            else if (outcome == QLatin1String("DeleteToReboot"))
                m_host.setCaption(index, caption("DeleteToReboot", "Delete to reboot", name));
        }
        // A row that failed keeps its image, so the list shows what is left;
        // folder rows learn their outcome after the other rows.
        if (!gone)
            m_remaining.push_back(index);
        else if (type != ObjectType::kFolder)
            m_host.setImageIndex(index, m_parameters.removedImageIndex);
    }

    pause(100);
    base = position;
    for (int k = 0; k < folders.size() && !stopped(); ++k) {
        if (k > 1)
            setBar(base + k * share / (maximum - 1));
        const std::size_t row = folderRows[std::size_t(k)];
        if (removeFolder(folders[k], folderNames[k]))
            m_host.setImageIndex(row, m_parameters.removedImageIndex);
        else
            m_remaining.push_back(row);
    }
    std::sort(m_remaining.begin(), m_remaining.end());

    m_host.setProgress(100, 100);
    m_host.postCommand(ScanCommand::kRemovalEnded, 0);
}

bool ThreatRemover::deleteRegistryObject(const QString& objectText)
{
    RegRoot root;
    QString key;
    QString valueName;
    bool isValue = false;
    if (!splitRegistryObject(objectText, root, key, valueName, isValue))
        return false;
    Registry& registry = m_environment.registry();
    try {
        if (isValue) {
            if (registry.keyExists(root, key))
                registry.deleteValue(root, key, valueName);
        } else {
            registry.deleteKeyTree(root, key);
        }
    } catch (...) {
        // Registry failures are silent: the row keeps its caption.
    }
    return isValue ? !registry.value(root, key, valueName) : !registry.keyExists(root, key);
}

bool ThreatRemover::restoreRegistryData(const QString& objectText, const QString& extraText)
{
    RegRoot root;
    QString key;
    QString valueName;
    bool isValue = false;
    if (!splitRegistryObject(objectText, root, key, valueName, isValue))
        return false;
    try {
        Registry& registry = m_environment.registry();
        // Opening without creating: a key that has gone meanwhile stays gone.
        if (!registry.keyExists(root, key))
            return true;
        const qsizetype caret = extraText.indexOf(QLatin1Char('^'));
        if (caret >= 0) {
            registry.writeString(root, key, valueName, extraText.mid(caret + 1));
            return true;
        }
        const qsizetype bar = extraText.indexOf(QLatin1Char('|'));
        if (bar < 0)
            return false;
        bool ok = false;
        const QString number = extraText.mid(bar + 1).trimmed();
        const qint64 value = number.toLongLong(&ok);
        if (!ok || value < INT32_MIN || value > qint64(UINT32_MAX))
            return false;
        registry.writeDword(root, key, valueName, static_cast<quint32>(value));
        return true;
    } catch (...) {
        return false;
    }
}

bool ThreatRemover::quarantineFile(const QString& path, const QString& threatName)
{
    if (m_parameters.quarantineFolder.trimmed().isEmpty() || !m_services.quarantine)
        return false;
    try {
        m_services.quarantine(m_parameters.quarantineFolder, path, threatName);
        return true;
    } catch (...) {
        // A failed copy does not keep the threat on the disk.
        return false;
    }
}

void ThreatRemover::clearReadOnly(const QString& path)
{
    const auto entry = m_environment.files().stat(path);
    // A link's attributes are its target's: leave them alone.
    if (!entry || entry->isLink || !(entry->attributes & FileAttribute::ReadOnly))
        return;
    m_environment.files().setAttributes(path, entry->attributes & ~FileAttribute::ReadOnly);
}

bool ThreatRemover::deleteWithProcessRetry(const QString& path, bool& processEnded)
{
    FileSystem& files = m_environment.files();
    processEnded = false;
    if (files.deleteFile(path) == FileError::None)
        return true;
    if (m_services.endProcessByName) {
        try {
            processEnded = m_services.endProcessByName(fileNameOf(path));
        } catch (...) {
            processEnded = false;
        }
    }
    if (!processEnded)
        return false;
    if (m_services.processWait)
        m_services.processWait(200);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const FileError again = files.deleteFile(path);
    return again == FileError::None || again == FileError::NotFound;
}

QString ThreatRemover::removeFile(const QString& path, const QString& threatName, bool& gone)
{
    gone = false;
    QString outcome = QStringLiteral("Removed");
    const auto entry = m_environment.files().stat(path);
    // The quarantine keeps files; a link has no content of its own to keep.
    if (!(entry && entry->isLink) && quarantineFile(path, threatName))
        outcome = QStringLiteral("Quarantined");
    clearReadOnly(path);
    bool processEnded = false;
    if (deleteWithProcessRetry(path, processEnded)) {
        gone = true;
        return outcome;
    }
    if (!processEnded)
        return outcome;
    bool scheduled = false;
    if (m_services.deleteAtRestart) {
        try {
            scheduled = m_services.deleteAtRestart(path);
        } catch (...) {
        }
    }
    return scheduled ? QStringLiteral("DeleteToReboot") : outcome;
}

bool ThreatRemover::removeFolder(const QString& path, const QString& threatName)
{
    FileSystem& files = m_environment.files();
    const auto self = files.stat(path);
    if (!self)
        return true;
    // A linked folder goes as a link; what it points to is not the threat's.
    if (self->isLink || !self->isDirectory()) {
        if (self->isLink)
            self->isDirectory() ? files.removeFolder(path) : files.deleteFile(path);
        return !files.stat(path);
    }

    std::vector<FileEntry> entries;
    files.list(path, [&entries](const FileEntry& entry) {
        entries.push_back(entry);
        return true;
    });
    for (const FileEntry& entry : entries) {
        const QString child = joinPath(path, entry.name);
        if (entry.isLink) {
            entry.isDirectory() ? files.removeFolder(child) : files.deleteFile(child);
        } else if (entry.isDirectory()) {
            removeFolder(child, threatName);
        } else {
            quarantineFile(child, threatName);
            clearReadOnly(child);
            bool processEnded = false;
            deleteWithProcessRetry(child, processEnded);
        }
    }
    files.removeFolder(path);
    return !files.stat(path);
}

} // namespace veridon
