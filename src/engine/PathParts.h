#pragma once

#include <QString>
#include <QStringView>

namespace veridon {

// The pieces of a Windows path as the signature tables use them: the folder
// part keeps its trailing separator ("C:\windows\" of "C:\windows\evil*.dll"),
// the name part is what follows the last separator or drive colon.
QString folderPart(const QString& path);
QString namePart(const QString& path);
// The extension with its dot (".exe"), empty when the name has no dot.
QStringView extensionOf(QStringView path);
// A name "has an extension" when it holds a dot.
bool hasExtension(QStringView name);

} // namespace veridon
