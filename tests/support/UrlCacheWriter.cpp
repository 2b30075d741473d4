#include "support/UrlCacheWriter.h"

#include <QtEndian>

namespace veridon::test {
namespace {

constexpr quint32 kHeader = 0x4000, kBlock = 0x80, kHashBlocks = 32;

void put32(QByteArray& b, quint32 at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}
void put64(QByteArray& b, quint32 at, quint64 v)
{
    qToLittleEndian(v, b.data() + at);
}
void fillDeadBeef(QByteArray& b, quint32 from, quint32 to)
{
    for (quint32 at = from; at + 4 <= to; at += 4)
        put32(b, at, 0xdeadbeef);
}

QByteArray record(const CacheRecordSpec& plan, quint32& blocks)
{
    QByteArray strings = plan.url.toLatin1() + '\0';
    while (strings.size() % 4)
        strings.append(char(0xde));
    const quint32 fileAt = plan.fileName.isEmpty() ? 0 : quint32(0x68 + strings.size());
    if (!plan.fileName.isEmpty()) {
        strings += plan.fileName.toLatin1() + '\0';
        while (strings.size() % 4)
            strings.append(char(0xde));
    }
    const quint32 extensionAt = quint32(0x68 + strings.size());
    strings += plan.fileName.section('.', -1).toLatin1() + '\0';
    blocks = quint32((0x68 + strings.size() + kBlock - 1) / kBlock);
    QByteArray bytes(int(blocks * kBlock), '\0');
    fillDeadBeef(bytes, 0x68, blocks * kBlock);
    bytes.replace(0, 4, "URL ");
    put32(bytes, 4, blocks);
    put64(bytes, 0x10, 0x01dd88a8b802d61bull);
    put64(bytes, 0x20, plan.size);
    put32(bytes, 0x30, 0x60);
    put32(bytes, 0x34, 0x68);
    bytes[0x38] = char(plan.subfolder < 0 ? 0xfe : plan.subfolder);
    bytes[0x3a] = 0x10;
    bytes[0x3b] = 0x10;
    put32(bytes, 0x3c, fileAt);
    put32(bytes, 0x40, plan.type);
    put32(bytes, 0x4c, extensionAt);
    put32(bytes, 0x54, 1);
    bytes.replace(0x68, strings.size(), strings);
    return bytes;
}

} // namespace

CacheIndexLayout writeCacheIndex(const CacheIndexPlan& plan)
{
    std::vector<QByteArray> records;
    quint32 dataBlocks = kHashBlocks;
    std::vector<quint32> blockCounts;
    for (const CacheRecordSpec& r : plan.records) {
        quint32 blocks = 0;
        records.push_back(record(r, blocks));
        blockCounts.push_back(blocks);
        dataBlocks += blocks;
    }
    const quint32 capacity = ((dataBlocks + 127) / 128) * 128; // grows in 0x4000-byte steps
    const quint32 fileSize = kHeader + capacity * kBlock;
    QByteArray bytes(int(fileSize), '\0');
    const QByteArray signature = plan.windowsSignature ? QByteArray("Client UrlCache MMF Ver 5.2")
                                                       : QByteArray("WINE URLCache Ver 0.2012001");
    bytes.replace(0, signature.size(), signature);
    put32(bytes, 0x1c, fileSize);
    put32(bytes, 0x20, kHeader);
    put32(bytes, 0x24, capacity);
    put32(bytes, 0x28, dataBlocks);
    put64(bytes, 0x30, 0x07ff5400);
    quint64 usage = 0;
    for (const CacheRecordSpec& r : plan.records)
        usage += r.size;
    put64(bytes, 0x38, usage);
    put32(bytes, 0x48, quint32(plan.subfolders.size()));
    for (int i = 0; i < plan.subfolders.size(); ++i)
        bytes.replace(0x4c + i * 12 + 4, 8,
                      plan.subfolders[i].toLatin1().leftJustified(8, '\0', true));
    for (quint32 block = 0; block < dataBlocks; ++block)
        bytes[0x250 + block / 8] = char(bytes[0x250 + block / 8] | (1 << (block % 8)));

    // Hash table: free slots are (3, 3); used ones (hash with low six bits clear, offset).
    const quint32 table = kHeader;
    bytes.replace(table, 4, "HASH");
    put32(bytes, table + 4, kHashBlocks);
    for (quint32 at = table + 16; at < table + kHashBlocks * kBlock; at += 8) {
        put32(bytes, at, 3);
        put32(bytes, at + 4, 3);
    }
    CacheIndexLayout layout;
    quint32 offset = table + kHashBlocks * kBlock;
    for (std::size_t i = 0; i < records.size(); ++i) {
        bytes.replace(offset, records[i].size(), records[i]);
        const quint32 slot = table + 16 + quint32((11 + 37 * i) % 500) * 8;
        put32(bytes, slot, quint32(0x772f1480u + 0x1000u * quint32(i)) & ~0x3fu);
        put32(bytes, slot + 4, offset);
        layout.recordOffsets.push_back(offset);
        layout.hashEntryOffsets.push_back(slot);
        offset += blockCounts[i] * kBlock;
    }
    fillDeadBeef(bytes, offset, fileSize);
    layout.bytes = bytes;
    return layout;
}

QByteArray cookieFile(const std::vector<CookieSpec>& cookies)
{
    QByteArray text;
    for (const CookieSpec& c : cookies)
        text += c.name.toLatin1() + '\n' + c.value.toLatin1() + '\n' + c.hostPath.toLatin1() +
                "\n0\n885243904\n31740926\n3087026471\n31295656\n*\n";
    return text;
}

} // namespace veridon::test
