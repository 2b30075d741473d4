#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace veridon::test {

// Authenticode signing for tests, with the real tools: `openssl` makes a
// throw-away certificate, `osslsigncode` embeds the signature. Both run inside a
// temporary folder of their own. Failures throw std::runtime_error with the
// tool's output.
class TestSigner
{
public:
    // A self-signed signer with `subject` in openssl's "/O=Org/CN=Name" form.
    explicit TestSigner(const QString& subject);
    // A signer certificate issued by a separate CA (`caSubject`); the CA
    // certificate travels in the signature too.
    TestSigner(const QString& subject, const QString& caSubject);
    ~TestSigner();
    TestSigner(const TestSigner&) = delete;
    TestSigner& operator=(const TestSigner&) = delete;

    QByteArray sign(const QByteArray& image) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace veridon::test
