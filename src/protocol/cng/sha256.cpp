// SHA-256 over Windows' CNG (bcrypt).

#include "protocol/sha256.h"

#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>

#include <limits>
#include <stdexcept>

namespace qx7::protocol {
namespace {

// Opened once for the process; a provider serves any thread.
BCRYPT_ALG_HANDLE Sha256Provider() {
    static const BCRYPT_ALG_HANDLE provider = []() -> BCRYPT_ALG_HANDLE {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            return nullptr;
        }
        return handle;
    }();
    return provider;
}

}  // namespace

Sha256Digest Sha256(std::span<const std::uint8_t> data) {
    const BCRYPT_ALG_HANDLE provider = Sha256Provider();
    // BCryptHash takes the length as a ULONG; larger input is refused rather
    // than hashed in part.
    if (provider == nullptr || data.size() > std::numeric_limits<ULONG>::max()) {
        throw std::runtime_error("CNG failed to compute a SHA-256 digest");
    }
    Sha256Digest digest{};
    // An empty span may carry a null pointer; CNG reads nothing then.
    static UCHAR nothing = 0;
    auto* const bytes = data.empty() ? &nothing : const_cast<PUCHAR>(data.data());
    if (!BCRYPT_SUCCESS(BCryptHash(provider, nullptr, 0, bytes, static_cast<ULONG>(data.size()), digest.data(),
                                   static_cast<ULONG>(digest.size())))) {
        throw std::runtime_error("CNG failed to compute a SHA-256 digest");
    }
    return digest;
}

}  // namespace qx7::protocol
