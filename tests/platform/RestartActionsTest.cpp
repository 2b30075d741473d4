#include "platform/RestartActions.h"

#include "platform/Registry.h"
#include "support/MemoryValueStore.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

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
    test::MemoryValueStore registry;
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
    test::MemoryValueStore registry;
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
    test::MemoryValueStore registry;
    EXPECT_FALSE(ReplaceAtRestart(registry, "C:\\x.exe", {}, RestartMode::Move)); // no target
    EXPECT_FALSE(ReplaceAtRestart(registry, {}, {}, RestartMode::Delete));
    registry.refuseWrites = true;
    EXPECT_FALSE(ReplaceAtRestart(registry, "C:\\x.exe", {}, RestartMode::Delete));
}
