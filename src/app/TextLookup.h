#pragma once

#include <QString>

#include <functional>

namespace veridon {

// The localised text of a key, or the given default when the language has none
// (TLanguage::GetText, or the scan thread's table).
using TextLookup = std::function<QString(const QString& key, const QString& defaultText)>;

// The English defaults themselves.
inline QString defaultText(const QString&, const QString& text)
{
    return text;
}

} // namespace veridon
