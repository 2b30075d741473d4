#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "store/TextCodec.h"

namespace veridon {

class TZLBArc2;

// The password of Core.def and Addition.def.
inline const QString kDefinitionPassword = QStringLiteral("qv7315");

// Opens a definition archive for reading: the definition cipher as its
// encryption handlers and the definition password (or `password`).
void openDefinitionArchive(TZLBArc2& archive, const QString& hostPath,
                           const QString& password = kDefinitionPassword);

// A member as the signature tables read it: its text (a byte-order mark picks
// UTF-8 or UTF-16, otherwise Windows-1252), one entry per line.
QStringList readMemberLines(TZLBArc2& archive, const QString& member);


} // namespace veridon
