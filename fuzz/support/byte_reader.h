#pragma once
// A fuzz input read front to back as the fields a target needs, and the
// writer that lays seeds out in the same form. Reading never fails: once the
// bytes run out, numbers read as 0 and runs of bytes come back short, so
// every input carries a target through to its end.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx7::fuzz {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool empty() const { return at_ == bytes_.size(); }
    std::size_t remaining() const { return bytes_.size() - at_; }

    std::uint8_t U8();
    std::uint16_t U16();  // little-endian
    // At most `count` bytes.
    std::span<const std::uint8_t> Bytes(std::size_t count);
    // A 16-bit length, then up to that many bytes.
    std::span<const std::uint8_t> Block();
    // An 8-bit count of UTF-16 units, then the units (little-endian). The
    // units are not checked: lone surrogates and NULs come through.
    std::u16string Text16();
    // Everything not read yet.
    std::span<const std::uint8_t> Rest();

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

class ByteWriter {
public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value);
    void Bytes(std::span<const std::uint8_t> bytes);
    void Block(std::span<const std::uint8_t> bytes);  // at most 65535 bytes
    void Text16(std::u16string_view text);            // at most 255 units
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace qx7::fuzz
