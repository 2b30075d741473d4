#include "platform/SignerName.h"

#include "platform/PeImage.h"

#include <climits>
#include <memory>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace veridon {
namespace {

struct Pkcs7Free
{
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct NamesFree
{
    void operator()(GENERAL_NAMES* names) const { GENERAL_NAMES_free(names); }
};

QString asn1Text(const ASN1_STRING* value)
{
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    if (length < 0)
        return {};
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(utf8), length);
    OPENSSL_free(utf8);
    return text;
}

// The first non-empty value of attribute `nid` in `name`.
QString attribute(const X509_NAME* name, int nid)
{
    for (int at = X509_NAME_get_index_by_NID(name, nid, -1); at >= 0;
         at = X509_NAME_get_index_by_NID(name, nid, at)) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, at);
        QString text = entry ? asn1Text(X509_NAME_ENTRY_get_data(entry)) : QString();
        if (!text.isEmpty())
            return text;
    }
    return {};
}

QString simpleDisplayName(X509* certificate)
{
    const X509_NAME* subject = X509_get_subject_name(certificate);
    if (subject) {
        for (int nid : {NID_commonName, NID_organizationalUnitName, NID_organizationName,
                        NID_pkcs9_emailAddress}) {
            QString text = attribute(subject, nid);
            if (!text.isEmpty())
                return text;
        }
    }
    std::unique_ptr<GENERAL_NAMES, NamesFree> alternatives(static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr)));
    if (alternatives) {
        for (int i = 0; i < sk_GENERAL_NAME_num(alternatives.get()); ++i) {
            const GENERAL_NAME* name = sk_GENERAL_NAME_value(alternatives.get(), i);
            if (name->type == GEN_EMAIL)
                return asn1Text(name->d.rfc822Name);
        }
    }
    return {};
}

} // namespace

QString signerNameFromPkcs7(std::span<const std::uint8_t> der) noexcept
{
    try {
        if (der.empty() || der.size() > static_cast<std::size_t>(LONG_MAX))
            return {};
        const unsigned char* cursor = der.data();
        std::unique_ptr<PKCS7, Pkcs7Free> message(
            d2i_PKCS7(nullptr, &cursor, static_cast<long>(der.size())));
        if (!message || !PKCS7_type_is_signed(message.get()) || !message->d.sign)
            return {};
        STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(message.get());
        if (!signers || sk_PKCS7_SIGNER_INFO_num(signers) < 1)
            return {};
        const PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(signers, 0);
        if (!signer || !signer->issuer_and_serial)
            return {};
        const PKCS7_ISSUER_AND_SERIAL* id = signer->issuer_and_serial;
        STACK_OF(X509)* certificates = message->d.sign->cert;
        for (int i = 0; certificates && i < sk_X509_num(certificates); ++i) {
            X509* certificate = sk_X509_value(certificates, i);
            if (X509_NAME_cmp(X509_get_issuer_name(certificate), id->issuer) == 0 &&
                ASN1_INTEGER_cmp(X509_get0_serialNumber(certificate), id->serial) == 0)
                return simpleDisplayName(certificate);
        }
        return {};
    } catch (...) {
        return {};
    }
}

QString signerNameOfImage(std::span<const std::uint8_t> image) noexcept
{
    const PeImage pe(image);
    const auto signature = pe.authenticodeSignature();
    return signature ? signerNameFromPkcs7(*signature) : QString();
}

} // namespace veridon
