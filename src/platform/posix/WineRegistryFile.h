#pragma once

#include "platform/Registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <list>
#include <map>
#include <memory>
#include <vector>

namespace veridon {

// One registry file in Wine's text format (system.reg, user.reg, userdef.reg),
// held as the text it was read from: every key block keeps its original bytes until
// it is changed, so a file read and written without a change comes out
// byte-identical, and lines that cannot be understood (malformed, truncated,
// unknown syntax) are carried through untouched. A changed key is written again
// the way the wineserver writes it, with a fresh timestamp.
class WineRegistryFile
{
public:
    WineRegistryFile();
    ~WineRegistryFile();
    WineRegistryFile(WineRegistryFile&&) noexcept;
    WineRegistryFile& operator=(WineRegistryFile&&) noexcept;

    // Reads as much of `text` as is sound; never throws.
    static WineRegistryFile parse(const QByteArray& text);
    QByteArray serialize() const;

    // The path after "REGISTRY\\" in the file's ";; All keys relative to" line
    // ("Machine", "User\S-1-5-21-0-0-0-1000", "User\.Default").
    QString relativeTo() const { return m_relativeTo; }

    // Lookups by a key path of components (any letter case); the empty list is
    // the file's root.
    bool keyExists(const QStringList& key) const;
    QStringList subkeys(const QStringList& key) const;
    QList<RegValue> values(const QStringList& key) const;
    std::optional<RegValue> value(const QStringList& key, const QString& name) const;

    // Changes; `now` is the FILETIME stamped on changed keys.
    void createKey(const QStringList& key, quint64 now);
    void setValue(const QStringList& key, const RegValue& value, quint64 now);
    bool deleteValue(const QStringList& key, const QString& name, quint64 now);
    bool deleteKeyTree(const QStringList& key, quint64 now);

    // The text of a value as the wineserver writes it ("name"=... with its newline).
    static QByteArray formatValue(const RegValue& value);

private:
    struct Block;
    struct Node;

    Node* findNode(const QStringList& key) const;
    Node* makeNode(const QStringList& key);
    QStringList storedPath(const QStringList& key) const;
    Block* ensureBlock(const QStringList& key, quint64 now);
    void touch(Block* block, quint64 now);
    void indexBlock(Block* block);

    QByteArray m_preamble; // everything before the first key header
    QString m_relativeTo;
    std::list<Block> m_blocks;
    std::unique_ptr<Node> m_root;
};

} // namespace veridon
