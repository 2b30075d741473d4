#include "engine/WhiteListBuilder.h"

namespace veridon {

QStringList buildWhiteList(const QStringList& lines,
                           const std::function<WhiteListExpansion(const QString&)>& expandOrderA)
{
    QStringList whiteList;
    for (const QString& line : lines) {
        const WhiteListExpansion expanded = expandOrderA(line);
        QString path = expanded.path;
        path.replace(QLatin1Char('|'), QStringLiteral(" Value="));
        whiteList.append(path.toLower());
        if (!expanded.allUsersPath.isEmpty())
            whiteList.append(expanded.allUsersPath.toLower());
    }
    return whiteList;
}

} // namespace veridon
