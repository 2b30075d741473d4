#include "store/Haval256.h"

#include <openssl/crypto.h>

#include <cstring>

namespace veridon {
namespace {

using u32 = std::uint32_t;

constexpr u32 rotr(u32 x, int n) { return (x >> n) | (x << (32 - n)); }

// The five Boolean functions, arguments in the order x6..x0.
constexpr u32 f1(u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0)
{
    return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
}
constexpr u32 f2(u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0)
{
    return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
}
constexpr u32 f3(u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0)
{
    return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
}
constexpr u32 f4(u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0)
{
    return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^
           (x2 & x6) ^ x0;
}
constexpr u32 f5(u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0)
{
    return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

// The 5-pass permutations phi(5,j) applied to (x6..x0) before each function.
u32 phi(int pass, u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0)
{
    switch (pass) {
    case 0: return f1(x3, x4, x1, x0, x5, x2, x6);
    case 1: return f2(x6, x2, x1, x0, x3, x4, x5);
    case 2: return f3(x2, x6, x0, x4, x3, x1, x5);
    case 3: return f4(x1, x5, x3, x2, x0, x4, x6);
    default: return f5(x2, x5, x0, x6, x4, x3, x1);
    }
}

// Order in which each pass reads the 32 message words.
constexpr int kWordOrder[5][32] = {
    {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1,  10, 4,  8,
     30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2,  25, 31, 27},
    {19, 9,  4,  20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
     31, 15, 7,  3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2},
    {24, 4,  0,  14, 2,  7,  28, 23, 26, 6,  30, 20, 18, 25, 19, 3,
     22, 11, 31, 21, 8,  27, 12, 9,  1,  29, 5,  15, 17, 10, 16, 13},
    {27, 3,  21, 26, 17, 11, 20, 29, 19, 0,  12, 7,  13, 8,  31, 10,
     5,  9,  14, 30, 18, 6,  28, 24, 2,  23, 16, 22, 4,  1,  25, 15}};

// Round constants of passes 2 to 5: the fraction of pi, continuing after the
// words of the initial state.
constexpr u32 kConstants[4][32] = {
    {0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5,
     0xB5470917, 0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7,
     0xB8E1AFED, 0x6A267E96, 0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2,
     0x858EFC16, 0x636920D8, 0x71574E69, 0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658,
     0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5},
    {0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0,
     0x603A180E, 0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60,
     0xE65525F3, 0xAA55AB94, 0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34,
     0x1141E8CE, 0xA15486AF, 0x7C72E993, 0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6,
     0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C},
    {0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC,
     0xFB21A991, 0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88,
     0x23893E81, 0xD396ACC5, 0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A,
     0x9E1F9B5E, 0x21C66842, 0xF6E96C9A, 0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68,
     0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4},
    {0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619,
     0x456F9FB4, 0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6,
     0x4ED3AA62, 0x363F7706, 0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3,
     0x49F1C09B, 0x075372C9, 0x80991B7B, 0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B,
     0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4}};

constexpr u32 kInitial[8] = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
                             0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};

constexpr int kPasses = 5;
constexpr int kFingerprintBits = 256;
constexpr int kVersion = 1;

} // namespace

Haval256::Haval256() { reset(); }

Haval256::~Haval256()
{
    OPENSSL_cleanse(m_state.data(), sizeof m_state);
    OPENSSL_cleanse(m_buffer.data(), sizeof m_buffer);
}

void Haval256::reset()
{
    std::memcpy(m_state.data(), kInitial, sizeof kInitial);
    m_buffer.fill(0);
    m_buffered = 0;
    m_bitCount = 0;
}

void Haval256::compress(const std::uint8_t* block)
{
    u32 w[32];
    for (int i = 0; i < 32; ++i)
        w[i] = u32(block[4 * i]) | u32(block[4 * i + 1]) << 8 | u32(block[4 * i + 2]) << 16 |
               u32(block[4 * i + 3]) << 24;

    // t[0..7]; each step rewrites the word that the rotation has brought to x7.
    u32 t[8];
    std::memcpy(t, m_state.data(), sizeof t);
    for (int pass = 0; pass < kPasses; ++pass) {
        for (int step = 0; step < 32; ++step) {
            // Step s updates t[7 - s mod 8] from the others, x6..x0 being the
            // words that follow it downwards.
            const int r = 7 - (step & 7);
            auto x = [&](int k) { return t[(r + 8 - (7 - k)) & 7]; };
            const u32 f = phi(pass, x(6), x(5), x(4), x(3), x(2), x(1), x(0));
            u32 v = rotr(f, 7) + rotr(t[r], 11) + w[kWordOrder[pass][step]];
            if (pass > 0)
                v += kConstants[pass - 1][step];
            t[r] = v;
        }
    }
    for (int i = 0; i < 8; ++i)
        m_state[i] += t[i];
    OPENSSL_cleanse(w, sizeof w);
    OPENSSL_cleanse(t, sizeof t);
}

void Haval256::update(const std::uint8_t* data, std::size_t size)
{
    m_bitCount += std::uint64_t(size) << 3;
    while (size > 0) {
        const std::size_t take = std::min(size, m_buffer.size() - m_buffered);
        std::memcpy(m_buffer.data() + m_buffered, data, take);
        m_buffered += take;
        data += take;
        size -= take;
        if (m_buffered == m_buffer.size()) {
            compress(m_buffer.data());
            m_buffered = 0;
        }
    }
}

Haval256::Digest Haval256::finish()
{
    // Trailer: version, passes and fingerprint length packed into two bytes,
    // then the 64-bit message length in bits.
    std::uint8_t tail[10];
    tail[0] = std::uint8_t(((kFingerprintBits & 0x3) << 6) | ((kPasses & 0x7) << 3) |
                           (kVersion & 0x7));
    tail[1] = std::uint8_t((kFingerprintBits >> 2) & 0xFF);
    for (int i = 0; i < 8; ++i)
        tail[2 + i] = std::uint8_t(m_bitCount >> (8 * i));

    const std::size_t used = m_buffered;
    const std::size_t padLength = used < 118 ? 118 - used : 246 - used;
    std::uint8_t padding[128] = {0x01};
    update(padding, padLength);
    update(tail, sizeof tail);

    Digest out;
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b)
            out[4 * i + b] = std::uint8_t(m_state[i] >> (8 * b));
    reset();
    return out;
}

Haval256::Digest Haval256::digest(QByteArrayView data)
{
    Haval256 h;
    h.update(data);
    return h.finish();
}

QByteArray Haval256::hexDigest(QByteArrayView data)
{
    const Digest d = digest(data);
    return QByteArray(reinterpret_cast<const char*>(d.data()), kDigestSize).toHex();
}

} // namespace veridon
