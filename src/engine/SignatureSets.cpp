#include "engine/SignatureSets.h"

#include "engine/SignatureText.h"

#include <utility>

namespace veridon {
namespace {

const QString kHash = QStringLiteral("Hash.db");
const QString kHashAdd = QStringLiteral("Hash_Add.db");

} // namespace

const QString SignatureSets::kCoreArchive = QStringLiteral("Core.def");
const QString SignatureSets::kAdditionArchive = QStringLiteral("Addition.def");

const QStringList SignatureSets::kCoreMembers = {
    QStringLiteral("Hash.db"),    QStringLiteral("HotSpot.db"), QStringLiteral("White.db"),
    QStringLiteral("Dda.db"),     QStringLiteral("Dir.db"),     QStringLiteral("BHO.db"),
    QStringLiteral("Replace.db"), QStringLiteral("TrackingCookie.db"),
    QStringLiteral("HotKey.db"),  QStringLiteral("HotVal.db"),  QStringLiteral("Guid.db"),
    QStringLiteral("Extra.db"),   QStringLiteral("Version.db"), QStringLiteral("StringS.db")};

const QStringList SignatureSets::kAdditionMembers = {
    QStringLiteral("Hash_Add.db"), QStringLiteral("HotSpot.db"), QStringLiteral("White.db"),
    QStringLiteral("Dda.db"),      QStringLiteral("Dir.db"),     QStringLiteral("BHO.db"),
    QStringLiteral("Replace.db"),  QStringLiteral("TrackingCookie.db"),
    QStringLiteral("HotKey.db"),   QStringLiteral("HotVal.db"),  QStringLiteral("Guid.db"),
    QStringLiteral("Extra.db"),    QStringLiteral("Version.db"), QStringLiteral("StringS_Add.db"),
    QStringLiteral("Info.db")};

void SignatureSets::load(const MemberReader& read)
{
    const auto loadArchive = [&](const QString& archive, const QStringList& members,
                                 QHash<QString, QStringList>& lists, QByteArray& hashText,
                                 const QString& hashMember) {
        lists.clear();
        for (const QString& member : members) {
            const QByteArray bytes = read(archive, member);
            // The hash tables can hold a million lines: they are parsed from
            // their bytes, never turned into a list of strings.
            if (member == hashMember)
                hashText = signatureTextAsUtf8(bytes);
            else
                lists.insert(member, memberLines(bytes));
        }
    };
    loadArchive(kCoreArchive, kCoreMembers, m_core, m_coreHashText, kHash);
    loadArchive(kAdditionArchive, kAdditionMembers, m_addition, m_additionHashText, kHashAdd);
}

QStringList SignatureSets::joined(const QString& member) const
{
    return m_core.value(member) + m_addition.value(member);
}

QString coreVersionOf(const QStringList& infoLines)
{
    QString version = QStringLiteral("0");
    for (const QString& line : infoLines)
        if (line.contains(QLatin1String("CoreVer=")))
            version = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    return version;
}

QString SignatureSets::coreVersion() const
{
    return coreVersionOf(m_addition.value(QStringLiteral("Info.db")));
}

bool SignatureSets::buildHashTables(const std::function<bool()>& stop)
{
    if (stop())
        return false;
    m_coreHashes.load(std::exchange(m_coreHashText, QByteArray()));
    if (stop())
        return false;
    m_additionHashes.load(std::exchange(m_additionHashText, QByteArray()));
    return true;
}

} // namespace veridon
