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

QStringList splitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.sliced(start).toString());
    return lines;
}

} // namespace veridon
