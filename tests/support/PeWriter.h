#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace veridon::test {

// Readable descriptions of PE images for tests, and the writer that turns them
// into bytes: headers, a one-instruction code section and, when asked, a
// resource section holding one VS_VERSIONINFO resource.

struct VersionTable
{
    QString key; // language and code page as eight hex digits, "040904b0"
    std::vector<std::pair<QString, QString>> values;
};

struct VersionResource
{
    // VS_FIXEDFILEINFO words after the signature (struct version, file version
    // MS/LS, product version MS/LS, flags mask, flags, OS, type, subtype, date
    // MS/LS); the writer puts the signature 0xFEEF04BD first.
    std::array<std::uint32_t, 12> fixed{
        0x00010000, 0x00010002, 0x00030004, 0x00010002, 0x00030004, 0x3f, 0, 0x40004, 1, 0, 0, 0};
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations{{0x0409, 0x04b0}};
    std::vector<VersionTable> tables;
};

struct PeDescription
{
    bool is64 = false;
    bool dll = false;
    std::optional<std::uint64_t> imageBase; // default 0x400000, 64-bit 0x140000000
    std::optional<VersionResource> version;
};

// Where the writer put things, so tests can damage them on purpose.
struct PeLayout
{
    QByteArray bytes;
    std::uint32_t peOffset = 0;
    std::uint32_t dataDirectoriesOffset = 0;
    std::uint32_t resourceOffset = 0; // file offset of the resource root directory
    std::uint32_t versionOffset = 0;  // file offset of VS_VERSIONINFO
    std::uint32_t versionSize = 0;
};

// The common case: a version resource with one table of `values` for
// translation 0409/04b0.
VersionResource versionWith(std::vector<std::pair<QString, QString>> values);

QByteArray versionResourceBytes(const VersionResource& version);
PeLayout writePe(const PeDescription& description);

} // namespace veridon::test
