#include "store/DefinitionArchive.h"

#include "store/TZLBArc2.h"
#include "store/TextCodec.h"
#include "store/ZLBCipher.h"

namespace veridon {

void openDefinitionArchive(TZLBArc2& archive, const QString& hostPath, const QString& password)
{
    ZLBCipher::attachTo(archive);
    archive.OpenArchive(hostPath);
    archive.Password = password;
}

QStringList readMemberLines(TZLBArc2& archive, const QString& member)
{
    return splitLines(decodeText(archive.ExtractToMemory(member)));
}

} // namespace veridon
