// Every question the scanner asks of an executable's bytes.
#include "platform/PeImage.h"
#include "platform/SignerName.h"
#include "platform/VersionInfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    (void)veridon::PeImage::hasPeSignature(bytes);
    const auto info = veridon::readVersionInfo(bytes, veridon::kWowVersion);
    (void)veridon::versionTexts(info);
    (void)veridon::signerNameOfImage(bytes);
    return 0;
}
