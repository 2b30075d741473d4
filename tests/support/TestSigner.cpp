#include "support/TestSigner.h"

#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <stdexcept>

namespace veridon::test {
namespace {

void run(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error((program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
                                  QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()))
                                     .toStdString());
}

// A P-256 key keeps certificate generation quick.
QStringList newKey(const QString& keyFile)
{
    return {QStringLiteral("-newkey"),
            QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"),
            QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"),
            QStringLiteral("-keyout"),
            keyFile};
}

} // namespace

struct TestSigner::Impl
{
    TempDir dir;
    QStringList extra;
};

TestSigner::TestSigner(const QString& subject) : m_impl(std::make_unique<Impl>())
{
    run(QStringLiteral("openssl"),
        QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"),
                    QStringLiteral("2"), QStringLiteral("-subj"), subject, QStringLiteral("-out"),
                    QStringLiteral("signer.pem")} +
            newKey(QStringLiteral("signer.key")),
        m_impl->dir.path());
}

TestSigner::TestSigner(const QString& subject, const QString& caSubject)
    : m_impl(std::make_unique<Impl>())
{
    const QString folder = m_impl->dir.path();
    run(QStringLiteral("openssl"),
        QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"),
                    QStringLiteral("2"), QStringLiteral("-subj"), caSubject, QStringLiteral("-out"),
                    QStringLiteral("ca.pem")} +
            newKey(QStringLiteral("ca.key")),
        folder);
    run(QStringLiteral("openssl"),
        QStringList{QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-subj"), subject,
                    QStringLiteral("-out"), QStringLiteral("signer.csr")} +
            newKey(QStringLiteral("signer.key")),
        folder);
    run(QStringLiteral("openssl"),
        {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
         QStringLiteral("signer.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
         QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-set_serial"),
         QStringLiteral("4242"), QStringLiteral("-days"), QStringLiteral("2"),
         QStringLiteral("-out"), QStringLiteral("signer.pem")},
        folder);
    m_impl->extra = {QStringLiteral("-ac"), QStringLiteral("ca.pem")};
}

TestSigner::~TestSigner() = default;

QByteArray TestSigner::sign(const QByteArray& image) const
{
    const QString folder = m_impl->dir.path();
    m_impl->dir.write(QStringLiteral("in.exe"), image);
    QFile::remove(m_impl->dir.file(QStringLiteral("out.exe")));
    run(QStringLiteral("osslsigncode"),
        QStringList{QStringLiteral("sign"), QStringLiteral("-certs"), QStringLiteral("signer.pem"),
                    QStringLiteral("-key"), QStringLiteral("signer.key"), QStringLiteral("-n"),
                    QStringLiteral("Test"), QStringLiteral("-in"), QStringLiteral("in.exe"),
                    QStringLiteral("-out"), QStringLiteral("out.exe")} +
            m_impl->extra,
        folder);
    return readAll(m_impl->dir.file(QStringLiteral("out.exe")));
}

} // namespace veridon::test
