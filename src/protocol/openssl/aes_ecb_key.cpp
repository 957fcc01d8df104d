// AES-256-ECB keys over OpenSSL's libcrypto.

#include "protocol/aes_ecb_key.h"

#include <openssl/evp.h>

namespace qx7::protocol::detail {
namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// A context keyed for AES-256-ECB in one direction, without padding (the
// callers always hand over whole blocks); empty when libcrypto fails.
CipherContext NewContext(std::span<const std::uint8_t, kAes256KeySize> key, AesDirection direction) {
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return nullptr;
    const int enc = direction == AesDirection::Encrypt ? 1 : 0;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr, enc) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return nullptr;
    }
    return context;
}

// One context per direction; EVP_CIPHER_CTX_free wipes the key schedule.
class OpenSslAesEcbKey final : public AesEcbKey {
public:
    OpenSslAesEcbKey(CipherContext encrypt, CipherContext decrypt)
        : encrypt_(std::move(encrypt)), decrypt_(std::move(decrypt)) {}

    bool Run(AesDirection direction, const std::uint8_t* in, std::uint8_t* out, std::size_t size) const override {
        EVP_CIPHER_CTX* const context = direction == AesDirection::Encrypt ? encrypt_.get() : decrypt_.get();
        int written = 0;
        return EVP_CipherUpdate(context, out, &written, in, static_cast<int>(size)) == 1 &&
               written == static_cast<int>(size);
    }

private:
    CipherContext encrypt_;
    CipherContext decrypt_;
};

}  // namespace

std::unique_ptr<AesEcbKey> AesEcbKey::Create(std::span<const std::uint8_t, kAes256KeySize> key) {
    CipherContext encrypt = NewContext(key, AesDirection::Encrypt);
    CipherContext decrypt = NewContext(key, AesDirection::Decrypt);
    if (!encrypt || !decrypt) return nullptr;
    return std::make_unique<OpenSslAesEcbKey>(std::move(encrypt), std::move(decrypt));
}

}  // namespace qx7::protocol::detail
