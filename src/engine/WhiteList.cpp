#include "engine/WhiteList.h"

#include "engine/MacroExpander.h"

namespace veridon {

QStringList buildWhiteList(const TAppFrame& frame, const QStringList& lines)
{
    QStringList whiteList;
    for (const QString& line : lines) {
        QString path = line;
        QString allUsers;
        ExpandMacros(frame, MacroOrder::A, path, allUsers);
        path.replace(QLatin1Char('|'), QStringLiteral(" Value="));
        whiteList.append(path.toLower());
        if (!allUsers.isEmpty())
            whiteList.append(allUsers.toLower());
    }
    return whiteList;
}

} // namespace veridon
