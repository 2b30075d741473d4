#include "engine/PathParts.h"

namespace veridon {
namespace {

qsizetype lastDelimiter(QStringView path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const char16_t c = path[i].unicode();
        if (c == u'\\' || c == u'/' || c == u':')
            return i;
    }
    return -1;
}

} // namespace

QString folderPart(const QString& path)
{
    return path.left(lastDelimiter(path) + 1);
}

QString namePart(const QString& path)
{
    return path.mid(lastDelimiter(path) + 1);
}

QStringView extensionOf(QStringView path)
{
    const qsizetype start = lastDelimiter(path) + 1;
    for (qsizetype i = path.size() - 1; i >= start; --i) {
        if (path[i] == u'.')
            return path.mid(i);
    }
    return {};
}

bool hasExtension(QStringView name)
{
    return !extensionOf(name).isEmpty();
}

} // namespace veridon
