#include "store/ZLBCipher.h"

#include "store/EZLBArchive.h"
#include "store/Haval256.h"
#include "store/TZLBArc2.h"

#include <QBuffer>
#include <QIODevice>
#include <QRandomGenerator>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstring>
#include <memory>
#include <vector>

namespace veridon {

struct ZLBCbcStream::Contexts
{
    EVP_CIPHER_CTX* cbc = nullptr; // full blocks
    EVP_CIPHER_CTX* ecb = nullptr; // the tail's keystream block
    ~Contexts()
    {
        EVP_CIPHER_CTX_free(cbc);
        EVP_CIPHER_CTX_free(ecb);
    }
};

namespace {

[[noreturn]] void cipherFailure() { throw EZLBArchive(QStringLiteral("AES cipher failure")); }

void writeAll(QIODevice& out, const void* data, qint64 size)
{
    if (out.write(static_cast<const char*>(data), size) != size)
        throw EZLBArchive(QStringLiteral("Write error: %1").arg(out.errorString()));
}

void readExactly(QIODevice& in, void* data, qint64 size)
{
    auto* p = static_cast<char*>(data);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = in.read(p + done, size - done);
        if (got <= 0)
            throw EZLBArchive(QStringLiteral("Encrypted data is truncated"));
        done += got;
    }
}

// Runs `length` bytes of `in` through the cipher into `out`, a piece at a time.
void transformPieces(QIODevice& in, QIODevice& out, qint64 length, ZLBCbcStream& cbc)
{
    std::vector<std::uint8_t> piece(ZLBCipher::kPieceSize);
    for (qint64 remaining = length; remaining > 0;) {
        const qint64 n = std::min<qint64>(remaining, ZLBCipher::kPieceSize);
        readExactly(in, piece.data(), n);
        cbc.process(piece.data(), piece.data(), std::size_t(n));
        writeAll(out, piece.data(), n);
        remaining -= n;
    }
    OPENSSL_cleanse(piece.data(), piece.size());
}

// The implementations are fetched once: fetching them for every member costs
// more than decrypting a small one.
struct CipherFree
{
    void operator()(EVP_CIPHER* cipher) const { EVP_CIPHER_free(cipher); }
};
using FetchedCipher = std::unique_ptr<EVP_CIPHER, CipherFree>;

const EVP_CIPHER* usable(const FetchedCipher& cipher)
{
    if (!cipher)
        cipherFailure();
    return cipher.get();
}

const EVP_CIPHER* aes256Cbc()
{
    static const FetchedCipher cipher(EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr));
    return usable(cipher);
}

const EVP_CIPHER* aes256Ecb()
{
    static const FetchedCipher cipher(EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr));
    return usable(cipher);
}

} // namespace

ZLBCbcStream::ZLBCbcStream(const ZLBCipher::Key& key, const ZLBCipher::Vector& vector,
                           bool encrypting)
    : m_ctx(std::make_unique<Contexts>()), m_encrypting(encrypting)
{
    std::memcpy(m_chain.data(), vector.data(), 16);
    m_ctx->cbc = EVP_CIPHER_CTX_new();
    m_ctx->ecb = EVP_CIPHER_CTX_new();
    if (!m_ctx->cbc || !m_ctx->ecb)
        cipherFailure();
    if (EVP_CipherInit_ex(m_ctx->cbc, aes256Cbc(), nullptr, key.data(), vector.data(),
                          encrypting ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(m_ctx->cbc, 0) != 1 ||
        EVP_EncryptInit_ex(m_ctx->ecb, aes256Ecb(), nullptr, key.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(m_ctx->ecb, 0) != 1)
        cipherFailure();
}

ZLBCbcStream::~ZLBCbcStream() { OPENSSL_cleanse(m_chain.data(), m_chain.size()); }

void ZLBCbcStream::process(const std::uint8_t* in, std::uint8_t* out, std::size_t size)
{
    if (m_finished && size > 0)
        cipherFailure(); // a partial block already ended the text
    const std::size_t full = size & ~std::size_t(15);
    if (full > 0) {
        // The chaining value after this piece is its last ciphertext block;
        // when decrypting in place that block is overwritten, so keep it first.
        std::array<std::uint8_t, 16> nextChain{};
        if (!m_encrypting)
            std::memcpy(nextChain.data(), in + full - 16, 16);
        int outLength = 0;
        if (EVP_CipherUpdate(m_ctx->cbc, out, &outLength, in, int(full)) != 1 ||
            std::size_t(outLength) != full)
            cipherFailure();
        if (m_encrypting)
            std::memcpy(nextChain.data(), out + full - 16, 16);
        m_chain = nextChain;
    }
    const std::size_t rest = size - full;
    if (rest > 0) {
        std::uint8_t stream[16];
        int outLength = 0;
        if (EVP_EncryptUpdate(m_ctx->ecb, stream, &outLength, m_chain.data(), 16) != 1 ||
            outLength != 16)
            cipherFailure();
        for (std::size_t i = 0; i < rest; ++i)
            out[full + i] = in[full + i] ^ stream[i];
        OPENSSL_cleanse(stream, sizeof stream);
        m_finished = true;
    }
}

ZLBCipher::Key ZLBCipher::deriveKey(const Salt& salt, const QString& password)
{
    // Only the first L bytes of the UTF-16LE text enter the digest.
    QByteArray utf16(password.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < password.size(); ++i) {
        utf16[2 * i] = char(password[i].unicode() & 0xFF);
        utf16[2 * i + 1] = char(password[i].unicode() >> 8);
    }
    Haval256 haval;
    haval.update(salt.data(), salt.size());
    haval.update(reinterpret_cast<const std::uint8_t*>(utf16.constData()),
                 std::size_t(password.size()));
    OPENSSL_cleanse(utf16.data(), std::size_t(utf16.size()));
    return haval.finish();
}

void ZLBCipher::encryptWith(QIODevice& in, QIODevice& out, const QString& password,
                            const Salt& salt, const Vector& vector)
{
    writeAll(out, salt.data(), kSaltSize);
    Key key = deriveKey(salt, password);
    writeAll(out, vector.data(), kVectorSize);
    ZLBCbcStream cbc(key, vector, true);
    OPENSSL_cleanse(key.data(), key.size());

    if (!in.seek(0))
        throw EZLBArchive(QStringLiteral("Read error: %1").arg(in.errorString()));
    transformPieces(in, out, in.size(), cbc);
}

void ZLBCipher::encrypt(QIODevice& in, QIODevice& out, const QString& password)
{
    Salt salt;
    Vector vector;
    auto* random = QRandomGenerator::system();
    for (auto& b : salt)
        b = std::uint8_t(random->bounded(256));
    for (auto& b : vector)
        b = std::uint8_t(random->bounded(256));
    encryptWith(in, out, password, salt, vector);
}

void ZLBCipher::decrypt(QIODevice& in, QIODevice& out, qint64 size, const QString& password)
{
    if (size < kHeaderSize)
        throw EZLBArchive(QStringLiteral("Encrypted data is truncated"));
    Salt salt;
    Vector vector;
    readExactly(in, salt.data(), kSaltSize);
    readExactly(in, vector.data(), kVectorSize);
    Key key = deriveKey(salt, password);
    ZLBCbcStream cbc(key, vector, false);
    OPENSSL_cleanse(key.data(), key.size());

    transformPieces(in, out, size - kHeaderSize, cbc);
}

QByteArray ZLBCipher::encryptBytes(const QByteArray& plain, const QString& password,
                                   const Salt& salt, const Vector& vector)
{
    QByteArray source = plain;
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    encryptWith(in, out, password, salt, vector);
    return result;
}

QByteArray ZLBCipher::decryptBytes(const QByteArray& block, const QString& password)
{
    QByteArray source = block;
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    decrypt(in, out, block.size(), password);
    return result;
}

void ZLBCipher::attachTo(TZLBArc2& archive)
{
    archive.OnEncryptStream = [](QIODevice& in, QIODevice& out, const QString& password) {
        encrypt(in, out, password);
    };
    archive.OnDecryptStream = [](QIODevice& in, QIODevice& out, qint64 size,
                                 const QString& password) { decrypt(in, out, size, password); };
}

} // namespace veridon
