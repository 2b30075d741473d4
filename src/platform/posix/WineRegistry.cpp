#include "platform/posix/WineRegistry.h"

#include "platform/posix/WineServerProbe.h"

#include <QFile>
#include <QSaveFile>

#include <time.h>

namespace veridon {
namespace {

constexpr qint64 kMaxRegistryFileSize = qint64(1) << 30;
constexpr const char* kDefaultUserSid = "S-1-5-21-0-0-0-1000";

QStringList splitKey(const QString& key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

quint64 fileTimeNow()
{
    struct timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return quint64(now.tv_sec) * 10000000ULL + quint64(now.tv_nsec) / 100ULL +
           116444736000000000ULL;
}

QByteArray freshFileText(const QString& relativeTo)
{
    QByteArray escaped = relativeTo.toUtf8();
    escaped.replace("\\", "\\\\");
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\" + escaped +
           "\n\n#arch=win64\n";
}

} // namespace

WineRegistry::WineRegistry(QString prefixDir) : m_prefixDir(std::move(prefixDir))
{
    m_system.fileName = QStringLiteral("system.reg");
    m_system.relativeTo = QStringLiteral("Machine");
    m_user.fileName = QStringLiteral("user.reg");
    m_user.relativeTo = QStringLiteral("User\\") + QLatin1String(kDefaultUserSid);
    m_userDefault.fileName = QStringLiteral("userdef.reg");
    m_userDefault.relativeTo = QStringLiteral("User\\.Default");
    if (m_prefixDir.isEmpty())
        return;
    load(m_system);
    load(m_user);
    load(m_userDefault);
}

void WineRegistry::load(Hive& hive)
{
    QFile file(m_prefixDir + QLatin1Char('/') + hive.fileName);
    if (!file.exists()) {
        hive.file = WineRegistryFile::parse(freshFileText(hive.relativeTo));
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw RegistryError("Cannot read the registry file " + hive.fileName.toStdString() + ": " +
                            file.errorString().toStdString());
    if (file.size() > kMaxRegistryFileSize)
        throw RegistryError("The registry file " + hive.fileName.toStdString() +
                            " is too large to be read");
    hive.file = WineRegistryFile::parse(file.readAll());
}

void WineRegistry::save(Hive& hive)
{
    QSaveFile file(m_prefixDir + QLatin1Char('/') + hive.fileName);
    const QByteArray text = hive.file.serialize();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        const std::string reason = file.errorString().toStdString();
        load(hive); // the old file is still in place: forget the change
        throw RegistryError("Cannot save the registry file " + hive.fileName.toStdString() + ": " +
                            reason);
    }
}

QString WineRegistry::userSid() const
{
    const QString relative = m_user.file.relativeTo();
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('\\'));
    if (relative.startsWith(QLatin1String("User\\"), Qt::CaseInsensitive) && slash > 0)
        return relative.mid(slash + 1);
    return QLatin1String(kDefaultUserSid);
}

WineRegistry::Target WineRegistry::locate(RegRoot root, const QString& key) const
{
    Target target;
    QStringList path = splitKey(key);
    switch (root) {
    case RegRoot::ClassesRoot:
        target.hive = &m_system;
        path.prepend(QStringLiteral("Classes"));
        path.prepend(QStringLiteral("Software"));
        break;
    case RegRoot::LocalMachine:
        target.hive = &m_system;
        break;
    case RegRoot::CurrentUser:
        target.hive = &m_user;
        break;
    case RegRoot::Users:
        if (path.isEmpty()) {
            target.isUsersRoot = true;
            return target;
        }
        if (path.first().compare(QLatin1String(".Default"), Qt::CaseInsensitive) == 0)
            target.hive = &m_userDefault;
        else if (path.first().compare(userSid(), Qt::CaseInsensitive) == 0)
            target.hive = &m_user;
        else
            return target;
        path.removeFirst();
        break;
    }
    target.path = path;
    return target;
}

WineRegistry::Target WineRegistry::locateForWrite(RegRoot root, const QString& key)
{
    if (m_prefixDir.isEmpty())
        throw RegistryError("The registry cannot be changed: no Wine prefix is open.");
    const Target target = locate(root, key);
    if (!target.hive)
        throw RegistryError("The registry key " + (rootLongName(root) + QLatin1Char('\\') + key)
                                                      .toStdString() +
                            " cannot be changed: this registry has no such root key.");
    if (isWineServerRunning(m_prefixDir))
        throw RegistryError(
            "Wine is running in this prefix: its wineserver ignores changes made to the "
            "registry files and overwrites them at its next save. Close all Wine programs of "
            "the prefix (or run \"wineserver -k\") and try again.");
    return target;
}

bool WineRegistry::keyExists(RegRoot root, const QString& key) const
{
    std::lock_guard lock(m_mutex);
    const Target target = locate(root, key);
    if (target.isUsersRoot)
        return true;
    return target.hive && target.hive->file.keyExists(target.path);
}

QStringList WineRegistry::subkeys(RegRoot root, const QString& key) const
{
    std::lock_guard lock(m_mutex);
    const Target target = locate(root, key);
    if (target.isUsersRoot)
        return m_prefixDir.isEmpty() ? QStringList()
                                     : QStringList{QStringLiteral(".DEFAULT"), userSid()};
    return target.hive ? target.hive->file.subkeys(target.path) : QStringList();
}

QList<RegValue> WineRegistry::values(RegRoot root, const QString& key) const
{
    std::lock_guard lock(m_mutex);
    const Target target = locate(root, key);
    return target.hive ? target.hive->file.values(target.path) : QList<RegValue>();
}

std::optional<RegValue> WineRegistry::value(RegRoot root, const QString& key,
                                            const QString& name) const
{
    std::lock_guard lock(m_mutex);
    const Target target = locate(root, key);
    return target.hive ? target.hive->file.value(target.path, name) : std::nullopt;
}

void WineRegistry::createKey(RegRoot root, const QString& key)
{
    std::lock_guard lock(m_mutex);
    const Target target = locateForWrite(root, key);
    if (target.hive->file.keyExists(target.path))
        return;
    target.hive->file.createKey(target.path, fileTimeNow());
    save(*target.hive);
}

void WineRegistry::setValue(RegRoot root, const QString& key, const RegValue& value)
{
    std::lock_guard lock(m_mutex);
    const Target target = locateForWrite(root, key);
    target.hive->file.setValue(target.path, value, fileTimeNow());
    save(*target.hive);
}

bool WineRegistry::deleteValue(RegRoot root, const QString& key, const QString& name)
{
    std::lock_guard lock(m_mutex);
    const Target target = locateForWrite(root, key);
    if (!target.hive->file.deleteValue(target.path, name, fileTimeNow()))
        return false;
    save(*target.hive);
    return true;
}

bool WineRegistry::deleteKeyTree(RegRoot root, const QString& key)
{
    std::lock_guard lock(m_mutex);
    const Target target = locateForWrite(root, key);
    if (splitKey(key).isEmpty() || target.path.isEmpty())
        throw RegistryError("A root key cannot be deleted.");
    if (!target.hive->file.deleteKeyTree(target.path, fileTimeNow()))
        return false;
    save(*target.hive);
    return true;
}

} // namespace veridon
