#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QIODevice;

namespace veridon {

class TZLBArc2;

// The encryption and decryption handlers of the definition archives: AES-256
// in CBC mode over full blocks; a final partial block of n bytes is XORed with
// the first n bytes of the encryption of the chaining value, so the ciphertext
// is exactly as long as the plaintext. The key is HAVAL-256/5 of the 8 salt
// bytes followed by the first L bytes of the password's UTF-16LE text, L being
// the password's length in characters.
//
// Encrypted block: 8 bytes salt, 16 bytes vector, then the ciphertext.
class ZLBCipher
{
public:
    static constexpr int kSaltSize = 8;
    static constexpr int kVectorSize = 16;
    static constexpr int kHeaderSize = kSaltSize + kVectorSize;
    static constexpr int kPieceSize = 8192;

    using Key = std::array<std::uint8_t, 32>;
    using Salt = std::array<std::uint8_t, kSaltSize>;
    using Vector = std::array<std::uint8_t, kVectorSize>;

    static Key deriveKey(const Salt& salt, const QString& password);

    // Encrypt: a fresh random salt and vector, then the whole of `in` from its
    // start. Decrypt: reads salt and vector, then `size` − 24 bytes of
    // ciphertext from the current position of `in`.
    static void encrypt(QIODevice& in, QIODevice& out, const QString& password);
    static void encryptWith(QIODevice& in, QIODevice& out, const QString& password,
                            const Salt& salt, const Vector& vector);
    static void decrypt(QIODevice& in, QIODevice& out, qint64 size, const QString& password);

    // In-memory forms for callers that hold the bytes already.
    static QByteArray encryptBytes(const QByteArray& plain, const QString& password,
                                   const Salt& salt, const Vector& vector);
    static QByteArray decryptBytes(const QByteArray& block, const QString& password);

    // Assigns the pair as the archive's encryption and decryption handlers.
    static void attachTo(TZLBArc2& archive);
};

// Streaming CBC with the partial-block tail, one direction per object. Every
// piece but the last must be a multiple of 16 bytes long.
class ZLBCbcStream
{
public:
    ZLBCbcStream(const ZLBCipher::Key& key, const ZLBCipher::Vector& vector, bool encrypting);
    ~ZLBCbcStream();
    ZLBCbcStream(const ZLBCbcStream&) = delete;
    ZLBCbcStream& operator=(const ZLBCbcStream&) = delete;

    // Transforms `size` bytes from `in` into `out` (which may be the same buffer).
    void process(const std::uint8_t* in, std::uint8_t* out, std::size_t size);

private:
    struct Contexts;
    std::unique_ptr<Contexts> m_ctx;
    std::array<std::uint8_t, 16> m_chain{};
    bool m_encrypting;
    bool m_finished = false;
};

} // namespace veridon
