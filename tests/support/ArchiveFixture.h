#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace veridon::test {

// Readable descriptions of definition-container archives, laid out byte by
// byte from the format's own rules (independently of the component that reads
// them), so tests can feed it archives as another writer would produce them.
struct FixtureMember
{
    QString name;
    QByteArray content;
    int method = 0; // 0 deflated, 1 stored, 2 deflated then encrypted, 3 stored then encrypted
    QString path;   // MemberPath, e.g. "data\\"
    int level = 2;  // LevelUsed recorded for methods 0 and 2
    QString password = QStringLiteral("qv7315");
    std::array<std::uint8_t, 8> salt{1, 2, 3, 4, 5, 6, 7, 8};
    std::array<std::uint8_t, 16> vector{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                                        0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
};

struct FixtureArchive
{
    QByteArray prefix;            // bytes before the base
    std::vector<FixtureMember> members;
    int formatVersion = 2;        // 1: old tail and 532-byte entries
    bool compressRegistry = true;
    int registryLevel = -1;       // zlib level of the registry stream
    std::vector<int> dataOrder;   // order of the blocks in the data area; empty: member order
};

// The archive file's bytes.
QByteArray buildArchive(const FixtureArchive& archive);

// The member's block as it lies in the data area.
QByteArray memberBlock(const FixtureMember& member);

// zlib stream of `data` at `level`, as the reference deflater writes it.
QByteArray zlibCompress(const QByteArray& data, int level = -1);
std::uint32_t crc32Of(const QByteArray& data);

// The tail and entry offsets, for tests that damage an archive on purpose.
constexpr int kTailSize = 36;
constexpr int kEntrySize = 550;

} // namespace veridon::test
