#pragma once

#include "engine/HashTable.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace veridon {

// Reads one member of a definition archive in the program folder ("Core.def"
// or "Addition.def"); throws the archive's error when the archive or the
// member is missing or damaged.
using MemberReader = std::function<QByteArray(const QString& archive, const QString& member)>;

// The signature tables of one scan run, read from both definition archives.
class SignatureSets
{
public:
    static const QString kCoreArchive;     // "Core.def"
    static const QString kAdditionArchive; // "Addition.def"
    static const QStringList kCoreMembers;
    static const QStringList kAdditionMembers;

    // Reads every member of both archives, Core.def first. Any missing member
    // throws, so a damaged definition set ends the run before its first area.
    void load(const MemberReader& read);

    // The lines of one table: Core.def's first, then Addition.def's.
    QStringList joined(const QString& member) const;
    QStringList coreLines(const QString& member) const { return m_core.value(member); }
    QStringList additionLines(const QString& member) const { return m_addition.value(member); }

    // The definition version: the trimmed text after the first "=" of the last
    // line holding "CoreVer=" in Addition.def's Info.db; "0" when none does.
    QString coreVersion() const;

    // Parses Hash.db and Hash_Add.db; returns false when `stop` asked to end.
    bool buildHashTables(const std::function<bool()>& stop);
    const HashTable& coreHashes() const { return m_coreHashes; }
    const HashTable& additionHashes() const { return m_additionHashes; }

private:
    QHash<QString, QStringList> m_core;
    QHash<QString, QStringList> m_addition;
    QByteArray m_coreHashText;     // UTF-8, parsed by buildHashTables
    QByteArray m_additionHashText;
    HashTable m_coreHashes;
    HashTable m_additionHashes;
};

// The definition version of an Info.db list.
QString coreVersionOf(const QStringList& infoLines);

} // namespace veridon
