#include "platform/RestartActions.h"

#include "platform/Registry.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>
#include <map>

using namespace veridon;

namespace {

// Only what ReplaceAtRestart touches: one value store per key, and a switch that
// makes writes fail the way a prefix in use refuses them.
class ValueStore : public Registry
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

QByteArray utf16z(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text)
        bytes.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    return bytes.append(2, '\0');
}

const QString kKey = "System\\CurrentControlSet\\Control\\Session Manager";

} // namespace

TEST(ReplaceAtRestart, AppendsPairsAsTheSystemStoresThem)
{
    ValueStore registry;
    ASSERT_TRUE(ReplaceAtRestart(registry, "C:\\bad\\evil.exe", {}, RestartMode::Delete));
    ASSERT_TRUE(
        ReplaceAtRestart(registry, "C:\\tmp\\new.dll", "C:/windows/old.dll", RestartMode::Move));
    const auto value = registry.value(RegRoot::LocalMachine, kKey, "PendingFileRenameOperations");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, RegType::MultiString);
    const QByteArray expected = utf16z("\\??\\C:\\bad\\evil.exe") + utf16z("") +
                                utf16z("\\??\\C:\\tmp\\new.dll") +
                                utf16z("!\\??\\C:\\windows\\old.dll") + QByteArray(2, '\0');
    EXPECT_EQ(value->data.toHex(), expected.toHex());
}

TEST(ReplaceAtRestart, KeepsPairsAlreadyPending)
{
    ValueStore registry;
    // A pending delete whose empty second string sits right before the list's end.
    const QByteArray existing = utf16z("\\??\\C:\\a.exe") + utf16z("") + QByteArray(2, '\0');
    registry.setValue(RegRoot::LocalMachine, kKey,
                      RegValue{"PendingFileRenameOperations", RegType::MultiString, existing});
    ASSERT_TRUE(ReplaceAtRestart(registry, "C:\\b.exe", {}, RestartMode::Delete));
    const auto value = registry.value(RegRoot::LocalMachine, kKey, "PendingFileRenameOperations");
    EXPECT_EQ(value->data.toHex(), (utf16z("\\??\\C:\\a.exe") + utf16z("") +
                                    utf16z("\\??\\C:\\b.exe") + utf16z("") + QByteArray(2, '\0'))
                                       .toHex());
}

TEST(ReplaceAtRestart, ReportsFailure)
{
    ValueStore registry;
    EXPECT_FALSE(ReplaceAtRestart(registry, "C:\\x.exe", {}, RestartMode::Move)); // no target
    EXPECT_FALSE(ReplaceAtRestart(registry, {}, {}, RestartMode::Delete));
    registry.refuseWrites = true;
    EXPECT_FALSE(ReplaceAtRestart(registry, "C:\\x.exe", {}, RestartMode::Delete));
}
