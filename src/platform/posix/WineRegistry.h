#pragma once

#include "platform/Registry.h"
#include "platform/posix/WineRegistryFile.h"

#include <QString>

#include <mutex>

namespace veridon {

// The registry of a Wine prefix over its system.reg, user.reg and userdef.reg.
// Built with an empty prefix folder it is an empty registry that refuses writes.
class WineRegistry final : public Registry
{
public:
    // Reads the three files (a missing one counts as empty). Throws RegistryError
    // when a file exists but cannot be read.
    explicit WineRegistry(QString prefixDir);

    bool keyExists(RegRoot root, const QString& key) const override;
    QStringList subkeys(RegRoot root, const QString& key) const override;
    QList<RegValue> values(RegRoot root, const QString& key) const override;
    std::optional<RegValue> value(RegRoot root, const QString& key,
                                  const QString& name) const override;
    void createKey(RegRoot root, const QString& key) override;
    void setValue(RegRoot root, const QString& key, const RegValue& value) override;
    bool deleteValue(RegRoot root, const QString& key, const QString& name) override;
    bool deleteKeyTree(RegRoot root, const QString& key) override;

    // The SID of the prefix's user (HKU\<sid> is HKCU).
    QString userSid() const;

private:
    struct Hive
    {
        QString fileName;
        QString relativeTo; // for a file written from nothing
        WineRegistryFile file;
    };
    struct Target
    {
        Hive* hive = nullptr;
        QStringList path;
        bool isUsersRoot = false;
    };

    Target locate(RegRoot root, const QString& key) const;
    Target locateForWrite(RegRoot root, const QString& key);
    void load(Hive& hive);
    void save(Hive& hive);

    QString m_prefixDir;
    mutable std::mutex m_mutex;
    mutable Hive m_system;
    mutable Hive m_user;
    mutable Hive m_userDefault;
};

} // namespace veridon
