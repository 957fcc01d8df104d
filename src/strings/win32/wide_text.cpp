#include "strings/win32/wide_text.h"

#include <windows.h>

#include "strings/text_codec.h"

namespace qx7::strings {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t holds UTF-16");

std::wstring WideFromUtf8(std::string_view text) {
    const std::u16string units = FromUtf8(text);
    return std::wstring(units.begin(), units.end());
}

std::string Utf8FromWide(std::wstring_view text) {
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::string SystemErrorText(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = buffer != nullptr ? Utf8FromWide(std::wstring_view(buffer, length)) : std::string{};
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

}  // namespace qx7::strings
