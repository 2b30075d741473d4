#include "engine/RunningProcesses.h"

#include "engine/MacroExpander.h"
#include "engine/ScanSession.h"
#include "platform/Environment.h"
#include "platform/ExecutableFiles.h"
#include "platform/FileDigester.h"
#include "platform/ProcessTable.h"

namespace veridon {

void scanRunningProcesses(ScanSession& session)
{
    Environment& environment = session.environment();
    QStringList names;
    QStringList paths;
    ListProcesses(environment.processes(), names, paths);

    const SignatureSets& sets = session.signatures();
    const TAppFrame& frame = session.appFrame();
    FileDigester digester;
    for (const QString& listed : paths) {
        if (session.stopRequested())
            return;
        session.countObject();
        session.showObject(listed);
        QString path = listed;
        if (!NormalizeImagePath(frame, path))
            continue;
        const QByteArray md5 = FileDigest(environment.files(), digester, path).toLatin1();
        const std::string_view key(md5.constData(), std::size_t(md5.size()));

        int check = Check::kHash;
        const HashTable* table = &sets.coreHashes();
        int index = table->find(key);
        if (index < 0) {
            check = Check::kHashAddition;
            table = &sets.additionHashes();
            index = table->find(key);
        }
        if (index < 0)
            continue;
        const QString threatName = table->threatName(index);
        session.handOver(check, index, threatName, ObjectType::kFile, path);
        session.handOver(check, index, threatName, ObjectType::kMemoryProcess, path);
    }
}

} // namespace veridon
