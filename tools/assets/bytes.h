// Byte buffers for the asset generator's file writers (BMP, WAV, MOD, PNG): little-
// and big-endian integers, fixed-width text fields, and writing the buffer
// out.  Depends on the C library's stdio.  Single-threaded.  save() returns
// false when the file cannot be written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaron::assets {

class Bytes {
public:
    void u8(unsigned v) { data.push_back(static_cast<std::uint8_t>(v & 0xFF)); }
    void le16(unsigned v) { u8(v); u8(v >> 8); }
    void le32(std::uint32_t v) { le16(v & 0xFFFF); le16(v >> 16); }
    void be16(unsigned v) { u8(v >> 8); u8(v); }
    void be32(std::uint32_t v) { be16(v >> 16); be16(v & 0xFFFF); }
    // Exactly n bytes of text, cut or padded with zero bytes.
    void text(const std::string& s, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
    size_t size() const { return data.size(); }
    const std::vector<std::uint8_t>& bytes() const { return data; }
    void reserve(size_t n) { data.reserve(n); }
    bool save(const std::string& path) const;

private:
    std::vector<std::uint8_t> data;
};

} // namespace tessaron::assets
