#include "store/QuarantineStore.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/RestartActions.h"
#include "store/EZLBArchive.h"
#include "store/TExtIniFile.h"
#include "store/TZLBArc2.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace veridon {
namespace {

const QString kIndexFile = QStringLiteral("info.db");
const QString kIndexMember = QStringLiteral("Info.db");

// An id drawn again after this many clashes means something is badly wrong.
constexpr int kIdAttempts = 1000;
// Leaves room below the archive's 2 GiB for the registry and an incompressible copy.
constexpr quint64 kMaxObjectSize = quint64(1) << 30;

QString normalised(QString folder)
{
    folder.replace(u'\\', u'/');
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

void storeMember(TZLBArc2& archive, const QString& name, QByteArray bytes)
{
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    if (archive.IndexOf(name) >= 0)
        archive.UpdateFromStream(name, source, false);
    else
        archive.AddFromStream(name, source, false);
}

TExtIniFile loadIndex(TZLBArc2& index)
{
    TExtIniFile ini;
    if (index.IndexOf(kIndexMember) >= 0)
        ini.loadFromBytes(index.ExtractToMemory(index.Entries(index.IndexOf(kIndexMember)).fullName()));
    return ini;
}

} // namespace

QuarantineStore::QuarantineStore(const QString& folder, FileSystem& files, Registry& registry)
    : m_folder(folder.isEmpty() ? QString() : normalised(folder)), m_files(files),
      m_registry(registry)
{
    makeId = [] {
        QString id(8, u'a');
        auto* random = QRandomGenerator::system();
        for (QChar& c : id)
            c = QChar(u'a' + random->bounded(26));
        return id;
    };
    removeFile = [](const QString& hostPath) { return QFile::remove(hostPath); };
}

QuarantineStore::QuarantineStore(const QString& folder, Environment& environment)
    : QuarantineStore(folder, environment.files(), environment.registry())
{
}

QString QuarantineStore::folderOf(const QString& programDir)
{
    return normalised(programDir) + QStringLiteral("/Quarantine Zone/");
}

QString QuarantineStore::formatDealTime(const QDateTime& time)
{
    // A fixed pattern in the C locale: "/" and ":" whatever the user's settings.
    return time.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

QString QuarantineStore::indexPath() const { return m_folder + u'/' + kIndexFile; }

QString QuarantineStore::objectPath(const QString& id) const { return m_folder + u'/' + id; }

// An id names a file in the folder: anything that could reach outside it
// (separators, "..", a drive) is refused, whatever an index says.
bool QuarantineStore::validId(const QString& id)
{
    if (id.isEmpty() || id == u"." || id == u".." || id.compare(kIndexFile, Qt::CaseInsensitive) == 0)
        return false;
    for (QChar c : id)
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 32)
            return false;
    return true;
}

QString QuarantineStore::newId(const QStringList& sections) const
{
    for (int attempt = 0; attempt < kIdAttempts; ++attempt) {
        const QString id = makeId();
        if (!validId(id) || QFileInfo::exists(objectPath(id)) ||
            sections.contains(id, Qt::CaseInsensitive))
            continue; // taken: a clash must never cost the copy of a file
        return id;
    }
    throw EQuarantine(QStringLiteral("No free object id in %1").arg(m_folder));
}

void QuarantineStore::ensureIndex()
{
    if (m_folder.isEmpty() || QFileInfo::exists(indexPath()))
        return;
    QDir().mkpath(m_folder);
    try {
        TZLBArc2 index;
        index.CreateArchive(indexPath());
        storeMember(index, kIndexFile, QByteArray());
    } catch (const EZLBArchive& e) {
        throw EQuarantine(e.message());
    }
}

QString QuarantineStore::Quarantine(const QString& filePath, const QString& threatName)
{
    if (m_folder.isEmpty())
        return {};
    if (!QFileInfo(m_folder).isDir() && !QDir().mkdir(m_folder))
        throw EQuarantine(QStringLiteral("Cannot create the folder %1").arg(m_folder));
    // Each object is an archive of its own, and archives stay below 2 GiB.
    if (const auto entry = m_files.stat(filePath); entry && entry->size > kMaxObjectSize)
        throw EQuarantine(QStringLiteral("%1 is too large to be quarantined").arg(filePath));
    const std::optional<QByteArray> content = m_files.readFile(filePath, kMaxObjectSize + 1);
    if (content && quint64(content->size()) > kMaxObjectSize)
        throw EQuarantine(QStringLiteral("%1 is too large to be quarantined").arg(filePath));
    if (!content)
        throw EQuarantine(QStringLiteral("Cannot read %1").arg(filePath));

    try {
        TZLBArc2 index;
        if (QFileInfo::exists(indexPath()))
            index.OpenArchive(indexPath());
        else
            index.CreateArchive(indexPath());
        TExtIniFile ini = loadIndex(index);
        const QString id = newId(ini.sections());

        // The object first: should the index fail afterwards, the object is
        // removed again, and no section ever names a missing copy.
        {
            TZLBArc2 object;
            object.CreateArchive(objectPath(id));
            storeMember(object, id, *content);
        }
        try {
            ini.writeString(id, QStringLiteral("VirusName"), threatName);
            ini.writeString(id, QStringLiteral("Path"), filePath);
            ini.writeString(id, QStringLiteral("DealTime"),
                            formatDealTime(QDateTime::currentDateTime()));
            storeMember(index, kIndexMember, ini.toBytes());
        } catch (...) {
            QFile::remove(objectPath(id));
            throw;
        }
        return id;
    } catch (const EZLBArchive& e) {
        throw EQuarantine(e.message());
    }
}

std::vector<QuarantineEntry> QuarantineStore::List() const
{
    std::vector<QuarantineEntry> entries;
    if (m_folder.isEmpty() || !QFileInfo::exists(indexPath()))
        return entries;
    TExtIniFile ini;
    try {
        TZLBArc2 index;
        index.OpenArchive(indexPath());
        ini = loadIndex(index);
    } catch (const EZLBArchive& e) {
        throw EQuarantine(e.message());
    }
    for (const QString& id : ini.sections())
        entries.push_back({id, ini.readString(id, QStringLiteral("VirusName")),
                           ini.readString(id, QStringLiteral("Path")),
                           ini.readString(id, QStringLiteral("DealTime"))});
    return entries;
}

void QuarantineStore::Restore(const QString& id, const QString& targetPath)
{
    try {
        if (m_folder.isEmpty() || !validId(id) || targetPath.isEmpty())
            throw EQuarantine(kRestoreFailed);
        QByteArray content;
        {
            TZLBArc2 object;
            object.OpenArchive(objectPath(id));
            content = object.ExtractToMemory(id);
        }
        // Only the chosen path is written, and only once the content is whole.
        if (m_files.writeFile(targetPath, content) != FileError::None)
            throw EQuarantine(kRestoreFailed);
        Delete(id);
    } catch (const EQuarantine&) {
        throw EQuarantine(kRestoreFailed);
    } catch (const EZLBArchive&) {
        throw EQuarantine(kRestoreFailed);
    }
}

QStringList QuarantineStore::Delete(const QString& id)
{
    QStringList notices;
    try {
        TZLBArc2 index;
        if (!QFileInfo::exists(indexPath()))
            throw EQuarantine(kBrokenIndex);
        index.OpenArchive(indexPath());
        if (index.IndexOf(QStringLiteral("INFO.DB")) < 0)
            throw EQuarantine(kBrokenIndex);

        if (validId(id) && QFileInfo(objectPath(id)).isFile()) {
            if (!removeFile(objectPath(id))) {
                const QString windowsPath = m_files.toWindowsPath(QFileInfo(objectPath(id)).absoluteFilePath());
                ReplaceAtRestart(m_registry, windowsPath, QString(), RestartMode::Delete);
            }
        } else {
            notices << kObjectMissing;
        }

        TExtIniFile ini = loadIndex(index);
        ini.eraseSection(id);
        // The member keeps the name it is stored under.
        storeMember(index, QStringLiteral("INFO.DB"), ini.toBytes());
    } catch (const EZLBArchive& e) {
        throw EQuarantine(e.message());
    }
    return notices;
}

} // namespace veridon
