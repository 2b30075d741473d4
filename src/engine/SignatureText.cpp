#include "engine/SignatureText.h"

#include "store/TextCodec.h"

namespace veridon {

QByteArray signatureTextAsUtf8(const QByteArray& member)
{
    if (member.startsWith("\xEF\xBB\xBF"))
        return member.mid(3);
    const bool utf16 = member.startsWith("\xFF\xFE") || member.startsWith("\xFE\xFF");
    bool ascii = true;
    if (!utf16)
        for (char c : member)
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii = false;
                break;
            }
    return ascii && !utf16 ? member : decodeText(member).toUtf8();
}

QStringList memberLines(const QByteArray& member)
{
    return splitLines(decodeText(member));
}

std::string_view trimmed(std::string_view text)
{
    // Blanks and control characters, as the original tables' trimming did.
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

} // namespace veridon
