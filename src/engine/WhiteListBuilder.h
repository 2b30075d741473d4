#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace veridon {

// A path with its macros expanded: the path and its all-users variant (empty
// unless the macro has one).
struct WhiteListExpansion
{
    QString path;
    QString allUsersPath;
};

// The white list from the joined White.db lines: each line expanded (macro
// order A), "|" written as " Value=" so a key|value entry meets the object text
// of a registry value detection, lower-cased; the all-users variant is added
// lower-cased as well, without that replacement.
QStringList buildWhiteList(const QStringList& lines,
                           const std::function<WhiteListExpansion(const QString&)>& expandOrderA);

} // namespace veridon
