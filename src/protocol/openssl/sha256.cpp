#include "protocol/sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace qx7::protocol {

Sha256Digest Sha256(std::span<const std::uint8_t> data) {
    Sha256Digest digest{};
    unsigned int size = 0;
    // An empty span may carry a null pointer; libcrypto reads nothing then.
    static constexpr std::uint8_t kNothing = 0;
    const std::uint8_t* bytes = data.empty() ? &kNothing : data.data();
    if (EVP_Digest(bytes, data.size(), digest.data(), &size, EVP_sha256(), nullptr) != 1 || size != kSha256DigestSize) {
        throw std::runtime_error("libcrypto failed to compute a SHA-256 digest");
    }
    return digest;
}

}  // namespace qx7::protocol
