#include "support/byte_reader.h"

#include <algorithm>

namespace qx7::fuzz {

std::uint8_t ByteReader::U8() { return empty() ? 0 : bytes_[at_++]; }

std::uint16_t ByteReader::U16() {
    const std::uint8_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t count) {
    count = std::min(count, remaining());
    const auto run = bytes_.subspan(at_, count);
    at_ += count;
    return run;
}

std::span<const std::uint8_t> ByteReader::Block() { return Bytes(U16()); }

std::u16string ByteReader::Text16() {
    const std::size_t units = U8();
    std::u16string text;
    for (std::size_t i = 0; i < units && !empty(); ++i) text += static_cast<char16_t>(U16());
    return text;
}

std::span<const std::uint8_t> ByteReader::Rest() { return Bytes(remaining()); }

void ByteWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::Bytes(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

void ByteWriter::Block(std::span<const std::uint8_t> bytes) {
    const std::size_t length = std::min<std::size_t>(bytes.size(), 0xFFFF);
    U16(static_cast<std::uint16_t>(length));
    Bytes(bytes.first(length));
}

void ByteWriter::Text16(std::u16string_view text) {
    const std::size_t units = std::min<std::size_t>(text.size(), 0xFF);
    U8(static_cast<std::uint8_t>(units));
    for (std::size_t i = 0; i < units; ++i) U16(static_cast<std::uint16_t>(text[i]));
}

}  // namespace qx7::fuzz
