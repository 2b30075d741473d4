#include "store/TextCodec.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

struct DecodeCase
{
    const char* name;
    QByteArray bytes;
    QString expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

class DecodeText : public testing::TestWithParam<DecodeCase>
{};

TEST_P(DecodeText, DecodesByItsMark)
{
    EXPECT_EQ(decodeText(GetParam().bytes), GetParam().expected);
}

const QString kEuroA = QString(QChar(0x20AC)) + QLatin1Char('A');

INSTANTIATE_TEST_SUITE_P(
    Marks, DecodeText,
    testing::Values(
        DecodeCase{"Utf8Bom", QByteArray("\xEF\xBB\xBF\xE2\x82\xAC" "A"), kEuroA},
        DecodeCase{"Utf16LeBom", QByteArray("\xFF\xFE\xAC\x20\x41\x00", 6), kEuroA},
        DecodeCase{"Utf16BeBom", QByteArray("\xFE\xFF\x20\xAC\x00\x41", 6), kEuroA},
        DecodeCase{"NoBomIsWindows1252", QByteArray("\x80" "A\xE9"),
                   kEuroA + QChar(0xE9)},
        DecodeCase{"Utf16CutInHalfUnit", QByteArray("\xFF\xFE\x41\x00\x42", 5),
                   QStringLiteral("A")},
        DecodeCase{"BomOnly", QByteArray("\xFF\xFE", 2), QString()},
        DecodeCase{"Empty", QByteArray(), QString()}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(EncodeText, RoundTripsCharactersOutsideTheCodePage)
{
    const QString text = QStringLiteral("C:\\Users\\\u0416\u4E2D\\x.exe");
    EXPECT_EQ(decodeText(encodeText(text)), text);
}

} // namespace
