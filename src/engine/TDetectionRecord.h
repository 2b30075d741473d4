#pragma once

#include <QString>

namespace veridon {

// One found object, as handed from a scan area to the results list.
struct TDetectionRecord
{
    QString threatName;
    QString typeText;   // "File", "Folder", "Registry Key", "Registry Value", ...
    QString objectText; // full path, registry key or value, cookie file
    QString extraText;  // registry detections only
    QString idCode;     // check number, "-", 1-based signature line
    int riskLevel = 0;
};

// Type texts of the detection record, as users see them and as removal reads them.
namespace ObjectType {
inline const QString kFile = QStringLiteral("File");
inline const QString kFolder = QStringLiteral("Folder");
inline const QString kRegistryKey = QStringLiteral("Registry Key");
inline const QString kRegistryValue = QStringLiteral("Registry Value");
inline const QString kRegistryData = QStringLiteral("Registry Data");
inline const QString kMemoryProcess = QStringLiteral("Memory Process");
inline const QString kCookies = QStringLiteral("Cookies");
} // namespace ObjectType

} // namespace veridon
