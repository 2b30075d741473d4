#pragma once

#include "platform/Registry.h"

#include <QList>
#include <QString>

#include <map>

namespace veridon::test {

// Registry values in memory, keyed without letter case: enough for the
// delete-at-restart list. A switch makes writes fail the way a prefix in use
// refuses them.
class MemoryValueStore : public Registry
{
public:
    bool refuseWrites = false;

    bool keyExists(RegRoot, const QString& key) const override
    {
        return m_values.count(key.toLower());
    }
    QStringList subkeys(RegRoot, const QString&) const override { return {}; }
    QList<RegValue> values(RegRoot, const QString& key) const override
    {
        const auto it = m_values.find(key.toLower());
        return it == m_values.end() ? QList<RegValue>() : it->second;
    }
    std::optional<RegValue> value(RegRoot root, const QString& key,
                                  const QString& name) const override
    {
        for (const RegValue& v : values(root, key))
            if (v.name.compare(name, Qt::CaseInsensitive) == 0)
                return v;
        return std::nullopt;
    }
    void createKey(RegRoot, const QString& key) override { m_values[key.toLower()]; }
    void setValue(RegRoot, const QString& key, const RegValue& value) override
    {
        if (refuseWrites)
            throw RegistryError("Wine is running in this prefix");
        QList<RegValue>& list = m_values[key.toLower()];
        for (RegValue& v : list)
            if (v.name.compare(value.name, Qt::CaseInsensitive) == 0) {
                v = value;
                return;
            }
        list.append(value);
    }
    bool deleteValue(RegRoot, const QString&, const QString&) override { return false; }
    bool deleteKeyTree(RegRoot, const QString&) override { return false; }

private:
    std::map<QString, QList<RegValue>> m_values;
};

} // namespace veridon::test
