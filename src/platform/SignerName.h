#pragma once

#include <QString>
#include <cstdint>
#include <span>

namespace veridon {

// The simple display name of the certificate that signed a PKCS#7 signed-data
// blob: the certificate is found by the signer's issuer and serial number, and
// its name is the subject's common name, else organisational unit, else
// organisation, else e-mail address (the rules of the system's "simple display"
// name). Reads the name only: neither the chain, the time stamp nor revocation
// is checked. Empty on any failure; never throws.
QString signerNameFromPkcs7(std::span<const std::uint8_t> der) noexcept;

// The signer of the embedded Authenticode signature of a PE image in memory,
// empty when it has none.
QString signerNameOfImage(std::span<const std::uint8_t> image) noexcept;

} // namespace veridon
