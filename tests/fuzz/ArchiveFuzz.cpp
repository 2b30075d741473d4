// libFuzzer target: opening an archive, extracting every member and changing one
// must end in success or an archive failure, never in a crash, a hang or a
// runaway allocation.
#include "store/EZLBArchive.h"
#include "store/TZLBArc2.h"
#include "store/ZLBCipher.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <unistd.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veridon;
    static const QString path =
        QDir::temp().filePath(QStringLiteral("veridon-archive-fuzz-%1.arc").arg(getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    for (bool verify : {false, true}) {
        TZLBArc2 archive;
        ZLBCipher::attachTo(archive);
        archive.Password = QStringLiteral("qv7315");
        archive.VerifyArchiveCRC = verify;
        archive.VerifyFileCRC = true;
        try {
            archive.OpenArchive(path);
        } catch (const EZLBArchive&) {
            continue;
        }
        for (const ArchiveEntry& entry : std::vector<ArchiveEntry>(archive.entryList())) {
            try {
                archive.ExtractToMemory(entry.fullName());
            } catch (const EZLBArchive&) {
            }
            try {
                QByteArray out;
                QBuffer buffer(&out);
                buffer.open(QIODevice::WriteOnly);
                archive.ExtractToStream(entry.fullName(), buffer);
            } catch (const EZLBArchive&) {
            }
        }
        // A change copies the other members' blocks: their fields are as hostile.
        if (!verify && !archive.entryList().empty()) {
            try {
                QByteArray content("replacement");
                QBuffer source(&content);
                source.open(QIODevice::ReadOnly);
                archive.UpdateFromStream(archive.entryList().front().fullName(), source, true);
                archive.ExtractToMemory(archive.entryList().front().fullName());
            } catch (const EZLBArchive&) {
            }
        }
    }
    return 0;
}
