#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

namespace veridon {

// HAVAL with a 256-bit fingerprint and 5 passes (Zheng, Pieprzyk, Seberry 1992),
// the digest that turns a definition archive's salt and password into its AES key.
// No packaged library offers the 5-pass variant, so it lives here.
class Haval256
{
public:
    static constexpr int kDigestSize = 32;
    using Digest = std::array<std::uint8_t, kDigestSize>;

    Haval256();
    ~Haval256(); // wipes the state: it holds key material

    Haval256(const Haval256&) = delete;
    Haval256& operator=(const Haval256&) = delete;

    void update(const std::uint8_t* data, std::size_t size);
    void update(QByteArrayView data)
    {
        update(reinterpret_cast<const std::uint8_t*>(data.data()), std::size_t(data.size()));
    }
    // Pads, finishes and returns the digest; the object is reset afterwards.
    Digest finish();

    static Digest digest(QByteArrayView data);
    static QByteArray hexDigest(QByteArrayView data);

private:
    void reset();
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> m_state{};
    std::array<std::uint8_t, 128> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_bitCount = 0;
};

} // namespace veridon
