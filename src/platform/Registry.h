#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace veridon {

// The predefined keys the scanner reads and writes.
enum class RegRoot
{
    ClassesRoot,  // HKEY_CLASSES_ROOT
    LocalMachine, // HKEY_LOCAL_MACHINE
    CurrentUser,  // HKEY_CURRENT_USER
    Users,        // HKEY_USERS
};

// Value types, with the values of Windows' REG_* constants.
namespace RegType {
constexpr quint32 None = 0;
constexpr quint32 String = 1;       // REG_SZ
constexpr quint32 ExpandString = 2; // REG_EXPAND_SZ
constexpr quint32 Binary = 3;       // REG_BINARY
constexpr quint32 Dword = 4;        // REG_DWORD
constexpr quint32 DwordBigEndian = 5;
constexpr quint32 Link = 6;
constexpr quint32 MultiString = 7; // REG_MULTI_SZ
constexpr quint32 Qword = 11;
} // namespace RegType

// One value as RegEnumValue / RegQueryValueEx return it: strings are UTF-16LE
// bytes with their terminating zero, dwords four little-endian bytes.
struct RegValue
{
    QString name; // empty for the default value ("@", "(Default)")
    quint32 type = RegType::None;
    QByteArray data;

    bool isString() const { return type == RegType::String || type == RegType::ExpandString; }
    // String and expand-string data up to the first zero (unexpanded); for other
    // types an empty text.
    QString toText() const;
    // Dword data (big-endian ones converted); 0 for other types or short data.
    quint32 toDword() const;
    // Multi-string data as its strings; empty for other types.
    QStringList toMultiString() const;

    static RegValue fromString(const QString& name, const QString& text,
                               quint32 type = RegType::String);
    static RegValue fromDword(const QString& name, quint32 value);
    static RegValue fromMultiString(const QString& name, const QStringList& texts);
};

// Failures of the registry service, with fixed English texts.
class RegistryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The registry of the scanned environment, addressed as root + key path
// ("Software\Microsoft\Windows\CurrentVersion\Run"; "\" separated, letter case
// ignored, no leading or trailing "\" needed). Reads never create anything and
// report a missing key or value in their result; writes throw RegistryError.
//
// Linux (Wine prefix): the prefix's own files in Wine's text format: system.reg
// is HKLM, user.reg is HKCU and HKU\<the user's SID>, userdef.reg is
// HKU\.Default; HKCR is HKLM\Software\Classes (as in Wine). Every write is saved
// at once, atomically, and changes only the key it concerns; writes are refused
// while the prefix's wineserver runs (it would ignore the change and overwrite
// the file at its next save). Without a prefix the registry is empty and read-only.
class Registry
{
public:
    virtual ~Registry() = default;

    // RegOpenKeyEx succeeds.
    virtual bool keyExists(RegRoot root, const QString& key) const = 0;
    // RegEnumKeyEx: the names of the subkeys (as stored); empty when the key is missing.
    virtual QStringList subkeys(RegRoot root, const QString& key) const = 0;
    // RegEnumValue: every value of the key in stored order; empty when missing.
    virtual QList<RegValue> values(RegRoot root, const QString& key) const = 0;
    // RegQueryValueEx: one value ("" is the default value); nothing when missing.
    virtual std::optional<RegValue> value(RegRoot root, const QString& key,
                                          const QString& name) const = 0;

    // RegCreateKeyEx: creates the key and missing parents; nothing when it exists.
    virtual void createKey(RegRoot root, const QString& key) = 0;
    // RegSetValueEx, creating the key when missing.
    virtual void setValue(RegRoot root, const QString& key, const RegValue& value) = 0;
    // RegDeleteValue; false when the value (or key) was not there.
    virtual bool deleteValue(RegRoot root, const QString& key, const QString& name) = 0;
    // SHDeleteKey: the key with all its subkeys; false when it was not there.
    virtual bool deleteKeyTree(RegRoot root, const QString& key) = 0;

    // Conveniences over value()/setValue().
    std::optional<QString> readString(RegRoot root, const QString& key, const QString& name) const;
    std::optional<quint32> readDword(RegRoot root, const QString& key, const QString& name) const;
    void writeString(RegRoot root, const QString& key, const QString& name, const QString& text,
                     quint32 type = RegType::String);
    void writeDword(RegRoot root, const QString& key, const QString& name, quint32 value);
    void writeMultiString(RegRoot root, const QString& key, const QString& name,
                          const QStringList& texts);
};

// "HKEY_LOCAL_MACHINE" ..., as reports and object texts write them.
QString rootLongName(RegRoot root);
// "HKLM" ...
QString rootShortName(RegRoot root);
// Splits "HKLM\Software\X" (also "HKEY_LOCAL_MACHINE\...", any letter case, "HKCR",
// "HKCU", "HKU") into root and key path; false when the root is not known.
bool parseRegistryPath(const QString& text, RegRoot& root, QString& key);

} // namespace veridon
