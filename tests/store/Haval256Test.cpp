#include "store/Haval256.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

struct Vector
{
    const char* input;
    const char* digest;
};

// Published HAVAL-256/5 results (the reference distribution's test suite and
// PHP's hash("haval256,5", ...)).
const Vector kVectors[] = {
    {"", "be417bb4dd5cfb76c7126f4f8eeb1553a449039307b1a3cd451dbfdc0fbbe330"},
    {"a", "de8fd5ee72a5e4265af0a756f4e1a1f65c9b2b2f47cf17ecf0d1b88679a3e22f"},
    {"php", "7f5c091f50d1b4948c8f23121f41d795cd2d14f802c8f1a09664333b8b890b98"},
    {"abcdefghijklmnopqrstuvwxyz",
     "c9c7d8afa159fd9e965cb83ff5ee6f58aeda352c0eff005548153a61551c38ee"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "b45cb6e62f2b1320e4f8f1b0b273d45add47c321fd23999dcf403ac37636d963"},
    {"The quick brown fox jumped over the lazy dog.",
     "16e1688c75cf09338fce299455ec0f6f783ca1cbb2006203ae6ae98b23f9294a"},
};

TEST(Haval256, MatchesPublishedFivePassVectors)
{
    for (const Vector& v : kVectors)
        EXPECT_EQ(Haval256::hexDigest(QByteArrayView(v.input)), QByteArray(v.digest)) << v.input;
}

TEST(Haval256, PiecewiseUpdatesAcrossBlockAndPaddingBoundariesMatchOneShot)
{
    // Lengths around the 118-byte padding limit and the 128-byte block.
    QByteArray data;
    for (int i = 0; i < 700; ++i)
        data.append(char(i * 7 + 3));
    for (int length : {0, 1, 117, 118, 119, 127, 128, 129, 245, 246, 256, 300, 700}) {
        const QByteArray slice = data.left(length);
        Haval256 pieces;
        for (int at = 0; at < length; at += 37)
            pieces.update(QByteArrayView(slice).sliced(at, std::min(37, length - at)));
        EXPECT_EQ(pieces.finish(), Haval256::digest(slice)) << length;
    }
    EXPECT_NE(Haval256::digest(data.left(118)), Haval256::digest(data.left(119)));
}

} // namespace
