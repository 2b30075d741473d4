#include "support/ArchiveFixture.h"

#include "store/ZLBCipher.h"

#include <zlib.h>

#include <cstring>

namespace veridon::test {
namespace {

void put(QByteArray& out, qsizetype at, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xFF);
}

void putName(QByteArray& out, qsizetype at, const QString& text)
{
    const QByteArray latin = text.toLatin1();
    out[at] = char(latin.size());
    std::memcpy(out.data() + at + 1, latin.constData(), std::size_t(latin.size()));
}

} // namespace

QByteArray zlibCompress(const QByteArray& data, int level)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()), level);
    out.resize(qsizetype(size));
    return out;
}

std::uint32_t crc32Of(const QByteArray& data)
{
    return std::uint32_t(
        crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

QByteArray memberBlock(const FixtureMember& m)
{
    const int zlevel[] = {0, 1, -1, 9};
    switch (m.method) {
    case 0: return zlibCompress(m.content, zlevel[m.level]);
    case 1: return m.content;
    case 2:
        return ZLBCipher::encryptBytes(zlibCompress(m.content, zlevel[m.level]), m.password,
                                       m.salt, m.vector);
    default: return ZLBCipher::encryptBytes(m.content, m.password, m.salt, m.vector);
    }
}

QByteArray buildArchive(const FixtureArchive& a)
{
    const bool v1 = a.formatVersion == 1;
    const int entrySize = v1 ? 532 : kEntrySize;
    std::vector<QByteArray> blocks;
    for (const FixtureMember& m : a.members)
        blocks.push_back(memberBlock(m));
    std::vector<int> order = a.dataOrder;
    if (order.empty())
        for (int i = 0; i < int(a.members.size()); ++i)
            order.push_back(i);
    QByteArray data;
    std::vector<qint64> offsets(a.members.size());
    for (int i : order) {
        offsets[std::size_t(i)] = data.size();
        data += blocks[std::size_t(i)];
    }
    QByteArray registry;
    for (std::size_t index = 0; index < a.members.size(); ++index) {
        const FixtureMember& m = a.members[index];
        const QByteArray& block = blocks[index];
        const bool zipped = m.method == 0 || m.method == 2;
        const bool sealed = m.method >= 2;
        qint64 compressedSize = 0;
        if (zipped)
            compressedSize = m.method == 0 ? block.size() : block.size() - 24;
        QByteArray e(entrySize, '\0');
        putName(e, 0, m.name);
        putName(e, 256, m.path);
        if (v1) {
            put(e, 512, std::uint64_t(m.content.size()), 4);
            put(e, 516, std::uint64_t(compressedSize), 4);
            put(e, 520, std::uint64_t(offsets[index]), 4);
            put(e, 524, crc32Of(m.content), 4);
            e[528] = char(m.method);
            e[529] = char(zipped ? m.level : 0);
        } else {
            put(e, 512, std::uint64_t(m.content.size()), 8);
            put(e, 520, std::uint64_t(compressedSize), 8);
            put(e, 528, std::uint64_t(sealed ? block.size() : 0), 8);
            put(e, 536, std::uint64_t(offsets[index]), 8);
            put(e, 544, crc32Of(m.content), 4);
            e[548] = char(m.method);
            e[549] = char(zipped ? m.level : 0);
        }
        registry += e;
    }
    const QByteArray storedRegistry =
        a.compressRegistry ? zlibCompress(registry, a.registryLevel) : registry;
    const QByteArray body = data + storedRegistry;

    QByteArray tail(kTailSize, '\0');
    const auto count = std::uint64_t(a.members.size());
    if (v1) {
        put(tail, 0, crc32Of(body), 4);
        put(tail, 4, count, 4);
        put(tail, 8, 1, 4);
        put(tail, 12, std::uint64_t(storedRegistry.size()), 4);
        put(tail, 16, std::uint64_t(data.size()), 4);
        tail[20] = char(a.compressRegistry ? 1 : 0);
    } else {
        put(tail, 0, std::uint64_t(data.size()), 8);
        put(tail, 8, crc32Of(body), 4);
        put(tail, 12, count, 4);
        put(tail, 16, std::uint64_t(a.formatVersion), 4);
        put(tail, 20, std::uint64_t(storedRegistry.size()), 4);
        tail[24] = char(a.compressRegistry ? 1 : 0);
    }
    return a.prefix + body + tail;
}

} // namespace veridon::test
