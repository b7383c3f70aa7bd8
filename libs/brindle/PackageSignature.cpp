#include "PackageSignature.h"

#include <openssl/evp.h>
#include <openssl/opensslv.h>

#include <dlfcn.h>
#include <memory>

namespace {
constexpr int kKeyBytes = 32;
constexpr int kSignatureBytes = 64;

constexpr char kCryptoLibrary[] = "libcrypto.so." QT_STRINGIFY(OPENSSL_SHLIB_VERSION);

// The crypto library is opened when the first package is checked, not linked: linked, the
// dynamic linker's relocations alone keep about 1.4 MiB of it resident for the whole run
// of a tray program that checks a package once in a long while. It stays open then.
struct Crypto {
    decltype(&EVP_PKEY_new_raw_public_key) newRawPublicKey = nullptr;
    decltype(&EVP_PKEY_free) pkeyFree = nullptr;
    decltype(&EVP_MD_CTX_new) ctxNew = nullptr;
    decltype(&EVP_MD_CTX_free) ctxFree = nullptr;
    decltype(&EVP_DigestVerifyInit) verifyInit = nullptr;
    decltype(&EVP_DigestVerify) verify = nullptr;

    bool isLoaded() const { return newRawPublicKey && pkeyFree && ctxNew && ctxFree && verifyInit && verify; }
};

template <typename Function> void resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
}

const Crypto& crypto()
{
    static const Crypto loaded = [] {
        Crypto c;
        void* library = ::dlopen(kCryptoLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return c;
        resolve(library, "EVP_PKEY_new_raw_public_key", c.newRawPublicKey);
        resolve(library, "EVP_PKEY_free", c.pkeyFree);
        resolve(library, "EVP_MD_CTX_new", c.ctxNew);
        resolve(library, "EVP_MD_CTX_free", c.ctxFree);
        resolve(library, "EVP_DigestVerifyInit", c.verifyInit);
        resolve(library, "EVP_DigestVerify", c.verify);
        return c;
    }();
    return loaded;
}

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { crypto().pkeyFree(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { crypto().ctxFree(ctx); }
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
    const Crypto& c = crypto();
    if (!c.isLoaded()) {
        *error = tr("it cannot be checked");
        return false;
    }
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(c.newRawPublicKey(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key.decoded.constData()), kKeyBytes));
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(c.ctxNew());
    if (!pkey || !ctx || c.verifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
        *error = tr("it cannot be checked");
        return false;
    }
    // Ed25519 signs the whole message in one pass; packages are held in memory anyway.
    const int result =
        c.verify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.decoded.constData()), kSignatureBytes,
                 reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
    if (result != 1) {
        *error = tr("it does not match Larkspan's signing key");
        return false;
    }
    return true;
}
