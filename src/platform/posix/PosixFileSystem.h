#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <mutex>

namespace veridon {

// Files of a Wine prefix (or of the bare host) for the FileSystem interface.
class PosixFileSystem final : public FileSystem
{
public:
    struct Drive
    {
        QChar letter;     // upper case
        QString hostRoot; // canonical host folder, "/" for the host root
        DriveType type = DriveType::Fixed;
    };

    explicit PosixFileSystem(QList<Drive> drives);

    // The drives of <prefix>/dosdevices ("c:" -> "../drive_c", "z:" -> "/");
    // links whose target is missing are left out.
    static QList<Drive> drivesOfPrefix(const QString& prefixDir);
    // Only Z: as the host root.
    static QList<Drive> hostOnlyDrives();

    const QList<Drive>& drives() const { return m_drives; }

    bool exists(const QString& path) const override;
    std::optional<FileEntry> stat(const QString& path) const override;
    bool list(const QString& folder,
              const std::function<bool(const FileEntry&)>& visit) const override;
    std::optional<QByteArray> readFile(const QString& path, quint64 maxBytes) const override;
    std::unique_ptr<FileReader> openRead(const QString& path) const override;
    std::unique_ptr<MappedFile> map(const QString& path) const override;
    FileError writeFile(const QString& path, const QByteArray& bytes) override;
    FileError deleteFile(const QString& path) override;
    FileError removeFolder(const QString& path) override;
    FileError setAttributes(const QString& path, quint32 attributes) override;
    FileError createFolders(const QString& path) override;
    QString toHostPath(const QString& windowsPath) const override;
    QString toWindowsPath(const QString& hostPath) const override;
    QStringList logicalDrives() const override;
    DriveType driveType(const QString& root) const override;
    QString volumeFileSystem(const QString& root) const override;

private:
    const Drive* findDrive(QChar letter) const;
    // The encoded host path of a Windows path; empty when no drive serves it.
    QByteArray resolve(const QString& windowsPath) const;
    void forgetResolved() const;

    QList<Drive> m_drives;
    // Folders already resolved case-insensitively (upper-cased Windows folder ->
    // encoded host folder), so that a walk resolves each folder once.
    mutable std::mutex m_cacheMutex;
    mutable QHash<QString, QByteArray> m_resolved;
};

} // namespace veridon
