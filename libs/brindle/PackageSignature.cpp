#include "PackageSignature.h"

#include <openssl/evp.h>

#include <memory>

namespace {
constexpr int kKeyBytes = 32;
constexpr int kSignatureBytes = 64;

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
} // namespace

bool PackageSignature::verify(const QByteArray& data, const QByteArray& signatureBase64,
                              const QByteArray& publicKeyBase64, QString* error)
{
    const auto strict = QByteArray::AbortOnBase64DecodingErrors;
    const auto key = QByteArray::fromBase64Encoding(publicKeyBase64.trimmed(), strict);
    if (!key || key.decoded.size() != kKeyBytes) {
        *error = tr("Larkspan's built-in signing key is not valid");
        return false;
    }
    const auto signature = QByteArray::fromBase64Encoding(signatureBase64.trimmed(), strict);
    if (!signature || signature.decoded.size() != kSignatureBytes) {
        *error = tr("it is malformed");
        return false;
    }
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key.decoded.constData()), kKeyBytes));
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!pkey || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
        *error = tr("it cannot be checked");
        return false;
    }
    // Ed25519 signs the whole message in one pass; packages are held in memory anyway.
    const int result = EVP_DigestVerify(
        ctx.get(), reinterpret_cast<const unsigned char*>(signature.decoded.constData()), kSignatureBytes,
        reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
    if (result != 1) {
        *error = tr("it does not match Larkspan's signing key");
        return false;
    }
    return true;
}
