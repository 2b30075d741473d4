#include "engine/FileDigest.h"

#include "platform/FileDigester.h"
#include "platform/FileSystem.h"
#include "platform/VersionInfo.h"

#include <span>

namespace veridon {
namespace {

// Version information is read from the file in memory; beyond this size the
// file is taken as one without version information rather than held whole.
constexpr quint64 kVersionReadLimit = 48ull << 20;

} // namespace

QString FileDigest(const FileSystem& files, const QString& path)
{
    FileDigester digester;
    const QString hostPath = files.toHostPath(path);
    return hostPath.isEmpty() ? digester.digest({}) : digester.fileDigest(hostPath);
}

bool IsExecutableImage(const FileSystem& files, const QString& path)
{
    const QString hostPath = files.toHostPath(path);
    return !hostPath.isEmpty() && isExecutableImageFile(hostPath);
}

QString vendorValue(const FileSystem& files, const QString& path)
{
    std::optional<VersionInfo> info;
    if (const std::optional<QByteArray> bytes = files.readFile(path, kVersionReadLimit)) {
        info = readVersionInfo(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes->constData()),
                      std::size_t(bytes->size())),
            QStringView(kWowVersion));
    }
    return versionText(info, 1).trimmed();
}

} // namespace veridon
