#include "platform/FileDigester.h"

#include "platform/PeImage.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace veridon {
namespace {

constexpr std::size_t kChunk = 1 << 20;

// An open regular file, closed on scope exit. O_NONBLOCK keeps a FIFO or a device
// node from stalling the open; anything but a regular file is refused afterwards.
class RegularFile
{
public:
    explicit RegularFile(const QString& hostPath)
    {
        const QByteArray name = QFile::encodeName(hostPath);
        m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat info
        {
        };
        if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(m_fd);
            m_fd = -1;
        }
        if (m_fd >= 0)
            m_size = static_cast<std::uint64_t>(info.st_size);
    }
    ~RegularFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t size() const { return m_size; }
    int fd() const { return m_fd; }

    // Reads up to `length` bytes at `offset`; the count read, or -1 on error.
    ssize_t readAt(std::uint8_t* out, std::size_t length, std::uint64_t offset) const
    {
        std::size_t done = 0;
        while (done < length) {
            const ssize_t got =
                ::pread(m_fd, out + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return -1;
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return static_cast<ssize_t>(done);
    }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

QString hex(const unsigned char* bytes, unsigned length)
{
    static const char kDigits[] = "0123456789abcdef";
    QString text(static_cast<qsizetype>(length) * 2, Qt::Uninitialized);
    QChar* out = text.data();
    for (unsigned i = 0; i < length; ++i) {
        *out++ = QLatin1Char(kDigits[bytes[i] >> 4]);
        *out++ = QLatin1Char(kDigits[bytes[i] & 15]);
    }
    return text;
}

} // namespace

struct FileDigester::Impl
{
    EVP_MD* md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    std::vector<std::uint8_t> buffer;
    bool begun = false; // a piecewise digest is under way and sound

    ~Impl()
    {
        EVP_MD_CTX_free(context);
        EVP_MD_free(md5);
    }

    bool begin() { return md5 && context && EVP_DigestInit_ex(context, md5, nullptr) == 1; }
    QString finish()
    {
        unsigned char value[EVP_MAX_MD_SIZE];
        unsigned length = 0;
        if (EVP_DigestFinal_ex(context, value, &length) != 1)
            return {};
        return hex(value, length);
    }
};

FileDigester::FileDigester() : m_impl(std::make_unique<Impl>()) {}
FileDigester::~FileDigester() = default;

QString FileDigester::digest(std::span<const std::uint8_t> bytes)
{
    if (!m_impl->begin() || EVP_DigestUpdate(m_impl->context, bytes.data(), bytes.size()) != 1)
        return {};
    return m_impl->finish();
}

void FileDigester::begin()
{
    m_impl->begun = m_impl->begin();
}

void FileDigester::update(std::span<const std::uint8_t> bytes)
{
    if (m_impl->begun)
        m_impl->begun = EVP_DigestUpdate(m_impl->context, bytes.data(), bytes.size()) == 1;
}

QString FileDigester::finish()
{
    return std::exchange(m_impl->begun, false) ? m_impl->finish() : QString();
}

QString FileDigester::fileDigest(const QString& hostPath)
{
    if (!m_impl->begin())
        return {};
    const RegularFile file(hostPath);
    if (!file.isOpen() || file.size() == 0)
        return m_impl->finish();
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (m_impl->buffer.size() < kChunk)
        m_impl->buffer.resize(kChunk);
    // The whole file is hashed, also beyond 4 GiB.
    for (std::uint64_t offset = 0;;) {
        const ssize_t got = file.readAt(m_impl->buffer.data(), kChunk, offset);
        if (got < 0) {
            // Unreadable content counts as no content.
            return digest({});
        }
        if (got == 0)
            break;
        EVP_DigestUpdate(m_impl->context, m_impl->buffer.data(), static_cast<std::size_t>(got));
        offset += static_cast<std::uint64_t>(got);
    }
    return m_impl->finish();
}

std::optional<std::span<const std::uint8_t>> FileDigester::load(const QString& hostPath,
                                                                std::uint64_t maxBytes)
{
    const RegularFile file(hostPath);
    if (!file.isOpen() || file.size() > maxBytes)
        return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(file.size());
    if (m_impl->buffer.size() < size)
        m_impl->buffer.resize(size);
    const ssize_t got = file.readAt(m_impl->buffer.data(), size, 0);
    if (got < 0)
        return std::nullopt;
    // A file that shrank meanwhile yields what is there.
    return std::span<const std::uint8_t>(m_impl->buffer.data(), static_cast<std::size_t>(got));
}

bool isExecutableImageFile(const QString& hostPath)
{
    const RegularFile file(hostPath);
    if (!file.isOpen() || file.size() < 200)
        return false;
    std::uint8_t head[64];
    if (file.readAt(head, sizeof head, 0) != sizeof head || head[0] != 'M' || head[1] != 'Z')
        return false;
    const std::uint32_t peOffset = std::uint32_t(head[60]) | (std::uint32_t(head[61]) << 8) |
                                   (std::uint32_t(head[62]) << 16) |
                                   (std::uint32_t(head[63]) << 24);
    std::uint8_t nt[248];
    if (file.readAt(nt, sizeof nt, peOffset) != sizeof nt)
        return false;
    return nt[0] == 'P' && nt[1] == 'E' && nt[2] == 0 && nt[3] == 0;
}

} // namespace veridon
