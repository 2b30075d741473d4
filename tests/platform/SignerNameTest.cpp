#include "platform/SignerName.h"

#include "platform/VersionInfo.h"
#include "support/PeWriter.h"
#include "support/QtPrinting.h"
#include "support/TestSigner.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace veridon;
using namespace veridon::test;

namespace {

std::span<const std::uint8_t> view(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QByteArray image(bool is64 = false)
{
    PeDescription description;
    description.is64 = is64;
    description.version = versionWith({{"CompanyName", "Teliq"}});
    return writePe(description).bytes;
}

} // namespace

TEST(SignerName, FollowsTheSimpleDisplayNameRules)
{
    struct Case
    {
        const char* subject;
        const char* expected;
    };
    const Case cases[] = {
        {"/O=Teliq Information Technology/OU=Tools/CN=Teliq Information Technology",
         "Teliq Information Technology"},
        {"/O=Only Organisation/OU=Signing Unit", "Signing Unit"},
        {"/C=DE/O=Only Organisation", "Only Organisation"},
        {"/C=DE/emailAddress=sign@example.org", "sign@example.org"},
        {"/CN=Trailing Blank /O=X", "Trailing Blank "},
    };
    for (const Case& c : cases) {
        const TestSigner signer(QString::fromUtf8(c.subject));
        const QByteArray signed32 = signer.sign(image());
        EXPECT_EQ(signerNameOfImage(view(signed32)), QString::fromUtf8(c.expected)) << c.subject;
    }
}

TEST(SignerName, FindsTheSignerAmongOtherCertificates)
{
    const TestSigner signer("/CN=Leaf Publisher", "/CN=Test Root Authority");
    const QByteArray signed64 = signer.sign(image(true));
    EXPECT_EQ(signerNameOfImage(view(signed64)), "Leaf Publisher");
    // Signing appends to the image; its resources still read.
    const auto info = readVersionInfo(view(signed64), kWowVersion);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->companyName, "Teliq");
}

TEST(SignerName, UnsignedAndDamagedGiveEmpty)
{
    EXPECT_EQ(signerNameOfImage(view(image())), "");
    EXPECT_EQ(signerNameOfImage(view(QByteArray("plain text, not an image"))), "");
    EXPECT_EQ(signerNameFromPkcs7(view(QByteArray("\x30\x82\xff\xff junk", 9))), "");

    const TestSigner signer("/CN=Someone");
    const QByteArray good = signer.sign(image());
    ASSERT_EQ(signerNameOfImage(view(good)), "Someone");
    // Cut inside the signature, and a certificate entry that claims more than is there.
    EXPECT_EQ(signerNameOfImage(view(good.left(good.size() - 40))), "");
    const qsizetype directory = 0x80 + 24 + 96 + 4 * 8;
    const std::uint32_t at = qFromLittleEndian<std::uint32_t>(good.constData() + directory);
    QByteArray overlong = good;
    qToLittleEndian<std::uint32_t>(0x7FFFFFF0u, overlong.data() + at);
    EXPECT_EQ(signerNameOfImage(view(overlong)), "");
    // A certificate entry of the right type whose content is not PKCS#7.
    QByteArray notPkcs7 = good;
    for (qsizetype i = at + 8; i < notPkcs7.size(); ++i)
        notPkcs7[i] = 'x';
    EXPECT_EQ(signerNameOfImage(view(notPkcs7)), "");
}
