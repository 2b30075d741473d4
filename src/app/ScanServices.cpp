#include "app/ScanServices.h"

#include "engine/TScanCache.h"
#include "engine/WhiteListBuilder.h"
#include "platform/Environment.h"
#include "remedy/StandardRemoval.h"
#include "remedy/StandardScanAreas.h"
#include "store/TZLBArc2.h"
#include "tools/WindowsName.h"

#include <QDir>

namespace veridon {
namespace {

// Reads the members of the definition archives in the order the run asks for
// them, keeping one archive open while its members follow each other.
class ArchiveMemberReader
{
public:
    explicit ArchiveMemberReader(QString programDir) : m_programDir(std::move(programDir)) {}

    QByteArray read(const QString& archive, const QString& member)
    {
        if (archive != m_openName) {
            m_archive = std::make_unique<TZLBArc2>();
            m_openName.clear();
            m_archive->OpenArchive(QDir(m_programDir).filePath(archive));
            m_archive->Password = QString::fromLatin1(kDefinitionPassword);
            m_openName = archive;
        }
        return m_archive->ExtractToMemory(member);
    }

private:
    QString m_programDir;
    QString m_openName;
    std::unique_ptr<TZLBArc2> m_archive;
};

} // namespace

ScanServices makeScanServices(Environment& environment, const OwnPaths& paths)
{
    ScanServices services;
    auto reader = std::make_shared<ArchiveMemberReader>(paths.programDir);
    services.readMember = [reader](const QString& archive, const QString& member) {
        return reader->read(archive, member);
    };
    services.whiteList = [&environment](const QStringList& lines) {
        return buildWhiteList(environment, lines);
    };
    const QString database = QDir(paths.programDir).filePath(QStringLiteral("ORVELDataBase.db"));
    services.openCache = [database, &environment](const QString& version) {
        return std::unique_ptr<DigestCache>(
            std::make_unique<TScanCache>(database, version, environment.files()));
    };
    services.areas = standardScanAreas(windowsNameOf(environment), nullptr);
    services.removal = standardRemovalServices(environment);
    return services;
}

} // namespace veridon
