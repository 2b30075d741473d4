#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace veridon::test {

// Builds a small Wine-style prefix in a folder from a readable description:
//
//   # comment
//   [registry]                  regedit-like keys and values, roots HKLM, HKCU,
//   [HKCU\Software\Example]     HKCR, HKU; values in Wine's syntax
//   "Name"="C:\\path"
//   [files]                     one object per line, fields separated by " | "
//   folder C:\path
//   text   C:\path\file.txt | one line of content
//   pe     C:\path\file.exe | CompanyName=Example Ltd; ProductName=Example; @64=4142
//   elf    C:\path\waiter.exe          a native program that only waits
//   link   C:\path\name | /host/target  a symbolic link
//   cookie C:\path\user@site[1].txt | site.example/ | name=value
//
// "@OFFSET=HEX" puts bytes into a PE image at a file offset (inside its DOS stub
// for offsets 64 to 127). The prefix gets dosdevices links c: -> drive_c and
// z: -> /, and system.reg, user.reg and userdef.reg in Wine's format.
class DemoPrefixBuilder
{
public:
    static constexpr const char* kUserSid = "S-1-5-21-0-0-0-1000";

    explicit DemoPrefixBuilder(QString prefixDir);

    // Builds from a description text; throws std::runtime_error naming the line
    // of a fault.
    void build(const QString& description);

    // The host file of a C: path inside the prefix.
    QString hostPath(const QString& windowsPath) const;

    // Bytes of the generated objects, so callers can list their digests.
    static QByteArray peImage(const QString& plan);
    static QByteArray waitingElf();

private:
    void addRegistryText(const QStringList& lines, int firstLine);
    void addFileLine(const QString& line);
    void write(const QString& windowsPath, const QByteArray& bytes, bool executable = false);
    void append(const QString& regFile, const QByteArray& bytes);

    QString m_dir;
};

} // namespace veridon::test
