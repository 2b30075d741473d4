#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace veridon {

// The version-information record of an executable: the string values of its
// first translation, the fixed file information block (VS_FIXEDFILEINFO as 13
// 32-bit words, signature first) and one extra string value named by the caller.
struct VersionInfo
{
    QString companyName;
    QString fileDescription;
    QString fileVersion;
    QString internalName;
    QString legalCopyright;
    QString legalTrademarks;
    QString originalFileName;
    QString productName;
    QString productVersion;
    QString comments;
    std::array<std::uint32_t, 13> fixed{};
    QString extra;

    // The text of `GetVersionText`'s index: 0 Comments, 1 CompanyName, 2
    // FileDescription, 3 FileVersion, 4 InternalName, 5 LegalCopyright, 6
    // LegalTrademarks, 7 OriginalFileName, 8 ProductName, 9 ProductVersion, 10 the
    // extra value; empty outside 0..10.
    QString text(int index) const;
};

inline constexpr int kVersionTextCount = 11;
// The extra value the scanner always asks for.
inline constexpr char16_t kWowVersion[] = u"WOW Version";

// Parses a VS_VERSIONINFO resource. Keys are compared without regard to case, as
// the system's version query does. Hostile bytes give std::nullopt.
std::optional<VersionInfo> parseVersionResource(std::span<const std::uint8_t> resource,
                                                QStringView extraName);

// The version information of a PE image held in memory (32- or 64-bit).
std::optional<VersionInfo> readVersionInfo(std::span<const std::uint8_t> image,
                                           QStringView extraName);

// `GetVersionTexts`: the eleven texts trimmed and upper-cased, or eleven times
// "Unknown" when there is no version information.
QStringList versionTexts(const std::optional<VersionInfo>& info);

// `GetVersionText`: "Unknown" without version information.
QString versionText(const std::optional<VersionInfo>& info, int index);

} // namespace veridon
