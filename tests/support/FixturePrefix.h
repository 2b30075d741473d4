#pragma once

#include "platform/Environment.h"
#include "support/TempDir.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace veridon::test {

// A small Wine prefix in a temporary folder, described in readable pieces:
// dosdevices links (c: -> drive_c and z: -> / from the start), files and folders by
// Windows path, and registry keys in regedit-like text that is written into
// system.reg, user.reg and userdef.reg in Wine's format.
class FixturePrefix
{
public:
    FixturePrefix();

    QString path() const { return m_dir.path(); }
    // The host file of a C: path inside the prefix (no case resolution).
    QString hostPath(const QString& windowsPath) const;

    // Writes a file at a C: path (parents created); returns its host path.
    QString addFile(const QString& windowsPath, const QByteArray& bytes = {});
    QString addFolder(const QString& windowsPath);
    // dosdevices/<letter>: -> target (absolute, or relative to dosdevices).
    void addDrive(QChar letter, const QString& target);
    void removeDrive(QChar letter);

    // Appends keys given like a .reg file, one header per key with its root:
    //   [HKLM\Software\Microsoft\Windows NT\CurrentVersion]
    //   "SystemRoot"="C:\\windows"
    // Value lines use Wine's syntax ("name"="text", dword:, hex(N):, str(2):...).
    // HKLM and HKCR go to system.reg, HKCU and HKU\S-1-5-21-0-0-0-1000 to user.reg,
    // HKU\.Default to userdef.reg.
    void addRegistryText(const QString& text);

    // The keys and folders of a freshly made Wine prefix for user `user`:
    // C:\windows\system32, C:\users\<user> with its shell folders, the profile list,
    // the shell folder keys, the environment and the version keys.
    void addStandardLayout(const QString& user = QStringLiteral("ann"));

    std::unique_ptr<Environment> open() const;

    static constexpr const char* kUserSid = "S-1-5-21-0-0-0-1000";

private:
    void appendToFile(const QString& fileName, const QByteArray& bytes);

    TempDir m_dir;
};

} // namespace veridon::test
