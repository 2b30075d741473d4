#include "platform/VersionInfo.h"

#include "platform/PeImage.h"
#include "support/PeWriter.h"
#include "support/QtPrinting.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <random>

using namespace veridon;
using namespace veridon::test;

namespace {

std::span<const std::uint8_t> view(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

VersionResource fullVersion()
{
    return versionWith({
        {"CompanyName", "Contoso Ltd."},
        {"FileDescription", "Sample tool"},
        {"FileVersion", "1.2.3.4"},
        {"InternalName", "sample"},
        {"LegalCopyright", "(c) Contoso"},
        {"LegalTrademarks", "TM"},
        {"OriginalFilename", "sample.exe"}, // the spelling real linkers use
        {"ProductName", "Sample"},
        {"ProductVersion", "1.2"},
        {"Comments", "  spaced comment "},
        {"WOW Version", "5"},
    });
}

void put32(QByteArray& bytes, qsizetype at, std::uint32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

} // namespace

class VersionInfoBothWidths : public ::testing::TestWithParam<bool>
{
};

TEST_P(VersionInfoBothWidths, ReadsStringsFixedBlockAndExtraValue)
{
    PeDescription description;
    description.is64 = GetParam();
    description.version = fullVersion();
    const PeLayout pe = writePe(description);

    const PeImage image(view(pe.bytes));
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.is64Bit(), GetParam());
    EXPECT_EQ(image.imageBase(), GetParam() ? 0x140000000ull : 0x400000ull);

    const auto info = readVersionInfo(view(pe.bytes), kWowVersion);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->companyName, "Contoso Ltd.");
    EXPECT_EQ(info->originalFileName, "sample.exe");
    EXPECT_EQ(info->productVersion, "1.2");
    EXPECT_EQ(info->extra, "5");
    EXPECT_EQ(info->fixed[0], 0xFEEF04BDu);
    EXPECT_EQ(info->fixed[2], 0x00010002u); // file version MS
    EXPECT_EQ(info->fixed[3], 0x00030004u);

    EXPECT_EQ(versionTexts(info),
              QStringList({"SPACED COMMENT", "CONTOSO LTD.", "SAMPLE TOOL", "1.2.3.4", "SAMPLE",
                           "(C) CONTOSO", "TM", "SAMPLE.EXE", "SAMPLE", "1.2", "5"}));
    EXPECT_EQ(versionText(info, 0), "  spaced comment ");
    EXPECT_EQ(versionText(info, 10), "5");
    EXPECT_EQ(versionText(info, 11), "");
}

INSTANTIATE_TEST_SUITE_P(Widths, VersionInfoBothWidths, ::testing::Values(false, true));

TEST(VersionInfo, UsesTheFirstTranslationOnly)
{
    VersionResource version;
    version.translations = {{0x0407, 0x04b0}, {0x0409, 0x04b0}};
    version.tables = {{"040904b0", {{"CompanyName", "English"}}},
                      {"040704B0", {{"CompanyName", "Deutsch"}}}}; // key case differs
    PeDescription description;
    description.version = version;
    const auto info = readVersionInfo(view(writePe(description).bytes), kWowVersion);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->companyName, "Deutsch");
    EXPECT_EQ(info->extra, "");
}

TEST(VersionInfo, WithoutTranslationHasEmptyTexts)
{
    VersionResource version = versionWith({{"CompanyName", "Hidden"}});
    version.translations.clear();
    PeDescription description;
    description.version = version;
    const auto info = readVersionInfo(view(writePe(description).bytes), kWowVersion);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->companyName, "");
    EXPECT_EQ(info->fixed[0], 0xFEEF04BDu);
}

TEST(VersionInfo, ImageWithoutResourceGivesUnknownTexts)
{
    const auto info = readVersionInfo(view(writePe({}).bytes), kWowVersion);
    EXPECT_FALSE(info);
    EXPECT_EQ(versionTexts(info), QStringList(kVersionTextCount, "Unknown"));
    EXPECT_EQ(versionText(info, 1), "Unknown");
}

// Damage applied to a good image; each must end in "no version information" or
// in a partial record, never a crash, hang or runaway allocation (the sanitizer
// build and the fuzz target watch the latter).
TEST(VersionInfo, HostileImagesGiveNoVersionInformation)
{
    PeDescription description;
    description.version = fullVersion();
    const PeLayout pe = writePe(description);
    const qsizetype optional = pe.peOffset + 24;
    struct Case
    {
        const char* name;
        std::function<void(QByteArray&)> damage;
    };
    const std::vector<Case> cases = {
        {"PE offset far outside", [&](QByteArray& b) { put32(b, 60, 0xFFFFFFF0u); }},
        {"unknown optional magic", [&](QByteArray& b) { b[optional] = 0x33; }},
        {"resource directory outside every section",
         [&](QByteArray& b) { put32(b, pe.dataDirectoriesOffset + 16, 0x7FFFF000u); }},
        {"version data address outside",
         [&](QByteArray& b) { put32(b, pe.resourceOffset + 72, 0xFFFFFF00u); }},
        {"version data size overflowing",
         [&](QByteArray& b) { put32(b, pe.resourceOffset + 76, 0xFFFFFFFFu); }},
        {"type entry pointing back at the root",
         [&](QByteArray& b) { put32(b, pe.resourceOffset + 20, 0x80000000u); }},
        {"root block length zero", [&](QByteArray& b) { put32(b, pe.versionOffset, 0); }},
        {"root key without terminator",
         [&](QByteArray& b) {
             b[pe.versionOffset] = 6 + 4;
             b[pe.versionOffset + 1] = 0;
         }},
    };
    for (const Case& c : cases) {
        QByteArray bytes = pe.bytes;
        c.damage(bytes);
        const auto info = readVersionInfo(view(bytes), kWowVersion);
        if (info) {
            EXPECT_NE(info->companyName, "Contoso Ltd.") << c.name;
        }
    }
}

// Counts beyond what the file holds are cut to what is there, as the loader does.
TEST(VersionInfo, OversizedCountsAreClampedNotTrusted)
{
    PeDescription description;
    description.version = fullVersion();
    const PeLayout pe = writePe(description);
    for (const auto& [offset, value] :
         {std::pair<qsizetype, std::uint32_t>{pe.peOffset + 6, 0xFFFF},
          {pe.peOffset + 24 + 92, 0xFFFFFFFFu},
          {pe.resourceOffset + 12, 0xFFFFFFFFu}}) {
        QByteArray bytes = pe.bytes;
        put32(bytes, offset, value);
        const auto info = readVersionInfo(view(bytes), kWowVersion);
        ASSERT_TRUE(info) << offset;
        EXPECT_EQ(info->companyName, "Contoso Ltd.");
    }
}

TEST(VersionInfo, EveryTruncationIsSafe)
{
    PeDescription description;
    description.is64 = true;
    description.version = fullVersion();
    const PeLayout pe = writePe(description);
    for (qsizetype length = 0; length < pe.bytes.size(); ++length) {
        const QByteArray cut = pe.bytes.left(length);
        const auto info = readVersionInfo(view(cut), kWowVersion);
        if (length < pe.versionOffset) {
            EXPECT_FALSE(info) << length;
        }
    }
}

TEST(VersionInfo, RandomDamageStaysInBounds)
{
    PeDescription description;
    description.version = fullVersion();
    const PeLayout pe = writePe(description);
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = pe.bytes;
        const int flips = 1 + int(random() % 8);
        for (int i = 0; i < flips; ++i) {
            const auto at = qsizetype(random() % std::uint32_t(bytes.size()));
            bytes[at] = char(random());
        }
        (void)readVersionInfo(view(bytes), kWowVersion);
    }
    SUCCEED();
}

TEST(PeImage, SignatureTestFollowsTheLoaderRule)
{
    const QByteArray good = writePe({}).bytes;
    EXPECT_TRUE(PeImage::hasPeSignature(view(good)));
    EXPECT_FALSE(PeImage::hasPeSignature(view(good.left(199))));
    QByteArray noPe = good;
    noPe[0x80] = 'X';
    EXPECT_FALSE(PeImage::hasPeSignature(view(noPe)));
    QByteArray noMz = good;
    noMz[0] = 'Z';
    EXPECT_FALSE(PeImage::hasPeSignature(view(noMz)));
    QByteArray shortHeader = good;
    put32(shortHeader, 60, std::uint32_t(good.size() - 100)); // 248 bytes do not fit there
    shortHeader.replace(good.size() - 100, 4, QByteArray("PE\0\0", 4));
    EXPECT_FALSE(PeImage::hasPeSignature(view(shortHeader)));
}
