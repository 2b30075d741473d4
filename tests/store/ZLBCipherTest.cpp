#include "store/Haval256.h"
#include "store/ZLBCipher.h"

#include <QBuffer>

#include <openssl/evp.h>

#include <gtest/gtest.h>

using namespace veridon;

namespace {

const ZLBCipher::Salt kSalt{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
const ZLBCipher::Vector kVector{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

QByteArray aes(const ZLBCipher::Key& key, const QByteArray& data, bool cbc,
               const ZLBCipher::Vector& iv = kVector)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb(), nullptr, key.data(),
                       iv.data());
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    QByteArray out(data.size(), '\0');
    int length = 0;
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &length,
                      reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

QByteArray bytes(const ZLBCipher::Key& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), qsizetype(key.size()));
}

TEST(ZLBCipher, KeyIsHavalOfSaltAndFirstHalfOfUtf16Password)
{
    // "qv7315": six characters, so the first six UTF-16LE bytes "q\0v\07\0".
    QByteArray input(reinterpret_cast<const char*>(kSalt.data()), 8);
    input.append("q\0v\0" "7\0", 6);
    EXPECT_EQ(bytes(ZLBCipher::deriveKey(kSalt, "qv7315")),
              QByteArray(reinterpret_cast<const char*>(Haval256::digest(input).data()), 32));
    // A character beyond the first half never enters the key.
    EXPECT_EQ(ZLBCipher::deriveKey(kSalt, "qv7315"), ZLBCipher::deriveKey(kSalt, "qv7999"));
    EXPECT_NE(ZLBCipher::deriveKey(kSalt, "qv7315"), ZLBCipher::deriveKey(kSalt, "qx7315"));
}

TEST(ZLBCipher, BlockLayoutIsSaltVectorAndCbcWithUnpaddedTail)
{
    const ZLBCipher::Key key = ZLBCipher::deriveKey(kSalt, "secret");
    for (int length : {0, 1, 15, 16, 17, 31, 32, 37, 8192, 8192 + 16 + 5, 20000}) {
        QByteArray plain(length, '\0');
        for (int i = 0; i < length; ++i)
            plain[i] = char(i * 13 + 1);
        const QByteArray block = ZLBCipher::encryptBytes(plain, "secret", kSalt, kVector);
        ASSERT_EQ(block.size(), 24 + length) << length;
        EXPECT_EQ(block.left(8), QByteArray(reinterpret_cast<const char*>(kSalt.data()), 8));
        EXPECT_EQ(block.mid(8, 16), QByteArray(reinterpret_cast<const char*>(kVector.data()), 16));

        const int full = length / 16 * 16;
        const QByteArray cipher = block.mid(24);
        EXPECT_EQ(cipher.left(full), aes(key, plain.left(full), true)) << length;
        if (full < length) {
            // Tail: plaintext XOR the encryption of the last full ciphertext block (or the vector).
            const QByteArray chain = full ? cipher.mid(full - 16, 16)
                                          : QByteArray(reinterpret_cast<const char*>(kVector.data()), 16);
            const QByteArray stream = aes(key, chain, false);
            for (int i = full; i < length; ++i)
                EXPECT_EQ(char(cipher[i]), char(plain[i] ^ stream[i - full])) << length << " " << i;
        }
        EXPECT_EQ(ZLBCipher::decryptBytes(block, "secret"), plain) << length;
    }
}

TEST(ZLBCipher, SeventeenBytesGiveSeventeenCipherBytes)
{
    const QByteArray plain("0123456789abcdefX");
    const QByteArray block = ZLBCipher::encryptBytes(plain, "qv7315", kSalt, kVector);
    ASSERT_EQ(block.size() - 24, 17);
    const ZLBCipher::Key key = ZLBCipher::deriveKey(kSalt, "qv7315");
    const QByteArray firstCipherBlock = block.mid(24, 16);
    EXPECT_EQ(char(block[24 + 16]), char('X' ^ aes(key, firstCipherBlock, false)[0]));
}

TEST(ZLBCipher, RandomSaltsDifferAndWrongPasswordGivesGarbage)
{
    QByteArray plain("some definition text that is long enough");
    QBuffer in(&plain);
    in.open(QIODevice::ReadOnly);
    QByteArray a, b;
    QBuffer outA(&a), outB(&b);
    outA.open(QIODevice::WriteOnly);
    outB.open(QIODevice::WriteOnly);
    ZLBCipher::encrypt(in, outA, "pw");
    ZLBCipher::encrypt(in, outB, "pw");
    EXPECT_NE(a.left(24), b.left(24));
    EXPECT_EQ(ZLBCipher::decryptBytes(a, "pw"), plain);
    EXPECT_EQ(ZLBCipher::decryptBytes(b, "pw"), plain);
    EXPECT_NE(ZLBCipher::decryptBytes(a, "qw"), plain);
    EXPECT_EQ(ZLBCipher::decryptBytes(a, "px"), plain); // only "p" enters a two-letter key
}

} // namespace
