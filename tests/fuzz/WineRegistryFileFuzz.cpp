// A registry file of any content is read as far as it is sound and written back
// unchanged; changing it never breaks what was kept.
#include "platform/posix/WineRegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    veridon::WineRegistryFile file = veridon::WineRegistryFile::parse(text);
    if (file.serialize() != text)
        std::abort(); // an unchanged file must come back byte-identical
    QStringList key;
    for (int depth = 0; depth < 3; ++depth) {
        const QStringList children = file.subkeys(key);
        if (children.isEmpty())
            break;
        key.append(children.first());
    }
    for (const veridon::RegValue& value : file.values(key))
        (void)veridon::WineRegistryFile::formatValue(value);
    file.setValue(key + QStringList{QStringLiteral("New")},
                  veridon::RegValue::fromString(QStringLiteral("v"), QStringLiteral("x")), 1);
    if (!key.isEmpty())
        file.deleteKeyTree(key, 2);
    const veridon::WineRegistryFile again = veridon::WineRegistryFile::parse(file.serialize());
    (void)again.keyExists(key);
    return 0;
}
