#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace deptrix {

enum class ByteOrder { LittleEndian, BigEndian };

/// Bounded reading over a byte span: every read checks what is left and throws
/// Error("<context>: unexpected end of data") instead of reading past the end.
class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> bytes, ByteOrder order, std::string context = "data")
        : m_bytes(bytes)
        , m_order(order)
        , m_context(std::move(context)) { }

    std::uint64_t position() const { return m_pos; }
    std::uint64_t size() const { return m_bytes.size(); }
    std::uint64_t remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    const std::string& context() const { return m_context; }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }

    /// The next `count` bytes, checked against what is left.
    std::span<const std::uint8_t> bytes(std::uint64_t count);
    void skip(std::uint64_t count) { bytes(count); }
    /// Moves to an absolute position within the span (the end itself is allowed).
    void seek(std::uint64_t position);
    /// A reader over the next `count` bytes; this reader moves past them.
    ByteReader sub(std::uint64_t count, std::string context);

    [[noreturn]] void fail(const std::string& problem) const;

private:
    void need(std::uint64_t count) const;
    std::uint64_t readUnsigned(int width);

    std::span<const std::uint8_t> m_bytes;
    ByteOrder m_order;
    std::string m_context;
    std::uint64_t m_pos = 0;
};

} // namespace deptrix
