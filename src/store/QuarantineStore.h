#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <stdexcept>
#include <vector>

namespace veridon {

class Environment;
class FileSystem;
class Registry;

// A failure of the quarantine store, with the fixed English text the
// quarantine page shows (or the archive component's message).
class EQuarantine : public std::runtime_error
{
public:
    explicit EQuarantine(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// One quarantined file as the index records it.
struct QuarantineEntry
{
    QString id;        // 8 lower-case letters: the section name and the object archive's name
    QString virusName; // "VirusName"
    QString path;      // "Path": where the file was (a Windows path)
    QString dealTime;  // "DealTime": "mm/dd/yyyy hh:mm:ss"
};

// The quarantine: the folder "Quarantine Zone" in the program folder, holding
// the index archive "info.db" (one member "Info.db", ini text with one section
// per object) and one archive per quarantined file, named by its object id and
// holding the file's bytes as its single member of the same name. All archives
// are unencrypted. Nothing is held open between calls.
//
// The folder is an own (host) path; the quarantined files are objects of the
// scanned environment and are read and written through its FileSystem. The
// delete-at-restart fallback goes through the environment's registry.
class QuarantineStore
{
public:
    static inline const QString kBrokenIndex = QStringLiteral("Quarantine data broken down!");
    static inline const QString kObjectMissing = QStringLiteral("Do not find the file in database!");
    static inline const QString kRestoreFailed = QStringLiteral(
        "Restore the object failed!You may need to restart or change the restore path!");

    // `folder`: the quarantine folder, "/" or "\" separated, with or without a
    // trailing separator; empty means quarantining is off.
    QuarantineStore(const QString& folder, FileSystem& files, Registry& registry);
    QuarantineStore(const QString& folder, Environment& environment);

    // The quarantine folder of a program folder.
    static QString folderOf(const QString& programDir);
    // "mm/dd/yyyy hh:mm:ss", whatever the locale.
    static QString formatDealTime(const QDateTime& time);

    const QString& folder() const { return m_folder; }
    QString indexPath() const;
    QString objectPath(const QString& id) const;

    // At program start: creates the folder and an index holding an empty member
    // "info.db" when there is none.
    void ensureIndex();

    // Copies the file (a Windows path) into the store and indexes it; returns
    // its object id. Does nothing and returns "" when the folder is empty.
    // Throws EQuarantine when the file cannot be read or an archive fails; no
    // index section is left without its object archive.
    QString Quarantine(const QString& filePath, const QString& threatName);

    std::vector<QuarantineEntry> List() const;

    // Writes the object's bytes to `targetPath` (a Windows path) and nothing
    // else, then deletes the object. Any failure throws kRestoreFailed.
    void Restore(const QString& id, const QString& targetPath);

    // Removes the object archive (marking it for deletion at restart when it
    // cannot be removed now) and its index section. Returns the notices to show:
    // kObjectMissing when the archive was gone; throws EQuarantine(kBrokenIndex)
    // when the index has no "Info.db" member.
    QStringList Delete(const QString& id);

    // Where ids come from (8 random lower-case letters) and how an object
    // archive is removed; tests replace them.
    std::function<QString()> makeId;
    std::function<bool(const QString& hostPath)> removeFile;

private:
    QString newId(const QStringList& sections) const;
    static bool validId(const QString& id);

    QString m_folder; // host path, "/" separated, no trailing separator
    FileSystem& m_files;
    Registry& m_registry;
};

} // namespace veridon
