// AES-256-ECB keys over Windows' CNG (bcrypt).

#include "protocol/aes_ecb_key.h"

#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>

#include <climits>
#include <vector>

namespace qx7::protocol::detail {
namespace {

// The AES provider in ECB mode, opened once for the process: opening a
// provider is costly, and one provider serves any number of keys from any
// thread. Null when CNG refuses it.
BCRYPT_ALG_HANDLE AesEcbProvider() {
    static const BCRYPT_ALG_HANDLE provider = []() -> BCRYPT_ALG_HANDLE {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_AES_ALGORITHM, nullptr, 0))) return nullptr;
        auto* const mode = reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB));
        if (!BCRYPT_SUCCESS(BCryptSetProperty(handle, BCRYPT_CHAINING_MODE, mode, sizeof BCRYPT_CHAIN_MODE_ECB, 0))) {
            BCryptCloseAlgorithmProvider(handle, 0);
            return nullptr;
        }
        return handle;
    }();
    return provider;
}

// The key object lives in memory of our own, wiped after the key is
// destroyed (CNG clears its part, the wipe covers whatever it left).
class CngAesEcbKey final : public AesEcbKey {
public:
    explicit CngAesEcbKey(std::size_t object_size) : object_(object_size) {}
    ~CngAesEcbKey() override {
        if (key_ != nullptr) BCryptDestroyKey(key_);
        SecureZeroMemory(object_.data(), object_.size());
    }
    CngAesEcbKey(const CngAesEcbKey&) = delete;
    CngAesEcbKey& operator=(const CngAesEcbKey&) = delete;

    bool Generate(BCRYPT_ALG_HANDLE provider, std::span<const std::uint8_t, kAes256KeySize> key) {
        // CNG reads the secret but does not change it.
        auto* const secret = const_cast<PUCHAR>(key.data());
        return BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(provider, &key_, object_.data(),
                                                         static_cast<ULONG>(object_.size()), secret,
                                                         static_cast<ULONG>(key.size()), 0));
    }

    bool Run(AesDirection direction, const std::uint8_t* in, std::uint8_t* out, std::size_t size) const override {
        if (size > static_cast<std::size_t>(INT_MAX)) return false;
        const auto length = static_cast<ULONG>(size);
        ULONG written = 0;
        auto* const input = const_cast<PUCHAR>(in);
        const NTSTATUS status = direction == AesDirection::Encrypt
                                    ? BCryptEncrypt(key_, input, length, nullptr, nullptr, 0, out, length, &written, 0)
                                    : BCryptDecrypt(key_, input, length, nullptr, nullptr, 0, out, length, &written, 0);
        return BCRYPT_SUCCESS(status) && written == length;
    }

private:
    std::vector<UCHAR> object_;
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

}  // namespace

std::unique_ptr<AesEcbKey> AesEcbKey::Create(std::span<const std::uint8_t, kAes256KeySize> key) {
    const BCRYPT_ALG_HANDLE provider = AesEcbProvider();
    if (provider == nullptr) return nullptr;
    DWORD object_size = 0;
    ULONG got = 0;
    if (!BCRYPT_SUCCESS(BCryptGetProperty(provider, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_size),
                                          sizeof object_size, &got, 0)) ||
        got != sizeof object_size || object_size == 0) {
        return nullptr;
    }
    auto result = std::make_unique<CngAesEcbKey>(object_size);
    if (!result->Generate(provider, key)) return nullptr;
    return result;
}

}  // namespace qx7::protocol::detail
