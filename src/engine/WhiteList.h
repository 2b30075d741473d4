#pragma once

#include <QStringList>

namespace veridon {

class TAppFrame;

// The run's white list from the joined White.db lines: each line's macros
// expanded (the white-list order), "|" turned into " Value=" so that a key and
// value name match a registry value's object text, lower-cased; the all-users
// variant, when there is one, is added too.
QStringList buildWhiteList(const TAppFrame& frame, const QStringList& lines);

} // namespace veridon
