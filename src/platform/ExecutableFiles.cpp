#include "platform/ExecutableFiles.h"

#include "platform/FileDigester.h"
#include "platform/FileSystem.h"
#include "platform/ProcessTable.h"
#include "platform/SignerName.h"

#include <QFile>

namespace veridon {
namespace {

std::optional<VersionInfo> versionOf(const FileSystem& files, const QString& path,
                                     QStringView extraName)
{
    const std::unique_ptr<MappedFile> mapped = files.map(path);
    if (!mapped || !mapped->data())
        return std::nullopt;
    return readVersionInfo({mapped->data(), static_cast<std::size_t>(mapped->size())}, extraName);
}

} // namespace

bool GetVersionInfo(const FileSystem& files, const QString& path, VersionInfo& record,
                    QStringView extraName)
{
    auto info = versionOf(files, path, extraName);
    if (!info)
        return false;
    record = std::move(*info);
    return true;
}

QString GetVersionText(const FileSystem& files, const QString& path, int index)
{
    return versionText(versionOf(files, path, kWowVersion), index);
}

QStringList GetVersionTexts(const FileSystem& files, const QString& path)
{
    return versionTexts(versionOf(files, path, kWowVersion));
}

QString GetSignerName(const FileSystem& files, const QString& path) noexcept
{
    try {
        const std::unique_ptr<MappedFile> mapped = files.map(path);
        if (!mapped || !mapped->data())
            return {};
        return signerNameOfImage({mapped->data(), static_cast<std::size_t>(mapped->size())});
    } catch (...) {
        return {};
    }
}

QString FileDigest(const FileSystem& files, FileDigester& digester, const QString& path)
{
    const QString host = files.toHostPath(path);
    return host.isEmpty() ? digester.digest({}) : digester.fileDigest(host);
}

bool IsExecutableImage(const FileSystem& files, const QString& path)
{
    const QString host = files.toHostPath(path);
    return !host.isEmpty() && isExecutableImageFile(host);
}

bool IsFileInUse(const FileSystem& files, const ProcessTable& processes, const QString& path)
{
    // A folder exists and cannot be opened as a file: in use, as on Windows.
    if (!files.exists(path))
        return false;
    const QString host = files.toHostPath(path);
    QFile file(host);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return true;
    file.close();
    return processes.isFileOpen(host);
}

} // namespace veridon
