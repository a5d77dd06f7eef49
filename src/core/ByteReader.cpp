#include "core/ByteReader.h"

#include "core/Error.h"

namespace deptrix {

void ByteReader::fail(const std::string& problem) const {
    throw Error(m_context + ": " + problem);
}

void ByteReader::need(std::uint64_t count) const {
    if (count > remaining()) fail("unexpected end of data");
}

std::uint64_t ByteReader::readUnsigned(int width) {
    need(static_cast<std::uint64_t>(width));
    std::uint64_t value = 0;
    const std::uint8_t* p = m_bytes.data() + m_pos;
    if (m_order == ByteOrder::BigEndian) {
        for (int i = 0; i < width; ++i) value = (value << 8) | p[i];
    } else {
        for (int i = width - 1; i >= 0; --i) value = (value << 8) | p[i];
    }
    m_pos += static_cast<std::uint64_t>(width);
    return value;
}

std::uint8_t ByteReader::u8() {
    return static_cast<std::uint8_t>(readUnsigned(1));
}
std::uint16_t ByteReader::u16() {
    return static_cast<std::uint16_t>(readUnsigned(2));
}
std::uint32_t ByteReader::u32() {
    return static_cast<std::uint32_t>(readUnsigned(4));
}
std::uint64_t ByteReader::u64() {
    return readUnsigned(8);
}

std::span<const std::uint8_t> ByteReader::bytes(std::uint64_t count) {
    need(count);
    const auto result = m_bytes.subspan(static_cast<size_t>(m_pos), static_cast<size_t>(count));
    m_pos += count;
    return result;
}

void ByteReader::seek(std::uint64_t position) {
    if (position > m_bytes.size()) fail("unexpected end of data");
    m_pos = position;
}

ByteReader ByteReader::sub(std::uint64_t count, std::string context) {
    return ByteReader(bytes(count), m_order, std::move(context));
}

} // namespace deptrix
