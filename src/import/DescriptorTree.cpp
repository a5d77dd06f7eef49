#include "import/DescriptorTree.h"

#include "core/ByteReader.h"
#include "import/Utf16Text.h"

#include <bit>
#include <cstring>

namespace deptrix {

namespace {

/// Nesting deeper than any editor writes marks a damaged or hostile block.
constexpr int kMaxDepth = 32;

class DescriptorReader {
public:
    explicit DescriptorReader(ByteReader& in)
        : m_in(in) { }

    DescriptorValue descriptor(int depth) {
        if (depth > kMaxDepth) m_in.fail("descriptor nested too deeply");
        DescriptorValue value;
        value.kind = DescriptorValue::Kind::Descriptor;
        unicodeText(); // the class's name as shown
        value.text = id();
        const std::uint32_t count = m_in.u32();
        // Every item takes bytes, so a count larger than the data fails on reading.
        for (std::uint32_t i = 0; i < count; ++i) {
            DescriptorItem item;
            item.key = id();
            item.value = this->value(depth);
            value.items.push_back(std::move(item));
        }
        return value;
    }

private:
    std::string unicodeText() {
        const std::uint32_t units = m_in.u32();
        const auto bytes = m_in.bytes(std::uint64_t { units } * 2);
        std::vector<std::uint16_t> text(units);
        for (std::uint32_t i = 0; i < units; ++i)
            text[i] = static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
        return Utf16ToUtf8(text);
    }

    /// A class or key id: a length and that many bytes, or 0 and a four-letter code.
    std::string id() {
        const std::uint32_t length = m_in.u32();
        const auto bytes = m_in.bytes(length == 0 ? 4 : length);
        return { bytes.begin(), bytes.end() };
    }

    /// One item of a reference ("obj "), stepped over.
    void referenceItem() {
        const auto type = m_in.bytes(4);
        const auto is = [&](const char* code) { return std::memcmp(type.data(), code, 4) == 0; };
        if (is("prop")) {
            unicodeText();
            id();
            id();
        } else if (is("Clss")) {
            unicodeText();
            id();
        } else if (is("Enmr")) {
            unicodeText();
            id();
            id();
            id();
        } else if (is("rele")) {
            unicodeText();
            id();
            m_in.skip(4);
        } else if (is("Idnt") || is("indx")) {
            m_in.skip(4);
        } else if (is("name")) {
            unicodeText();
            id();
            unicodeText();
        } else {
            m_in.fail("unknown reference item in a descriptor");
        }
    }

    DescriptorValue value(int depth) {
        const auto type = m_in.bytes(4);
        const auto is = [&](const char* code) { return std::memcmp(type.data(), code, 4) == 0; };
        DescriptorValue value;
        if (is("Objc") || is("GlbO")) {
            return descriptor(depth + 1);
        } else if (is("VlLs")) {
            if (depth >= kMaxDepth) m_in.fail("descriptor nested too deeply");
            value.kind = DescriptorValue::Kind::List;
            const std::uint32_t count = m_in.u32();
            for (std::uint32_t i = 0; i < count; ++i) value.items.push_back({ {}, this->value(depth + 1) });
        } else if (is("doub")) {
            value.kind = DescriptorValue::Kind::Number;
            value.number = std::bit_cast<double>(m_in.u64());
        } else if (is("UntF")) {
            value.kind = DescriptorValue::Kind::Number;
            const auto unit = m_in.bytes(4);
            value.unit.assign(unit.begin(), unit.end());
            value.number = std::bit_cast<double>(m_in.u64());
        } else if (is("long")) {
            value.kind = DescriptorValue::Kind::Integer;
            value.integer = m_in.i32();
        } else if (is("comp")) {
            value.kind = DescriptorValue::Kind::Integer;
            value.integer = m_in.i64();
        } else if (is("bool")) {
            value.kind = DescriptorValue::Kind::Boolean;
            value.boolean = m_in.u8() != 0;
        } else if (is("TEXT")) {
            value.kind = DescriptorValue::Kind::Text;
            value.text = unicodeText();
        } else if (is("enum")) {
            value.kind = DescriptorValue::Kind::Enumeration;
            value.unit = id();
            value.text = id();
        } else if (is("type") || is("GlbC")) {
            unicodeText();
            value.text = id();
        } else if (is("alis") || is("tdta") || is("Pth ")) {
            m_in.skip(m_in.u32());
        } else if (is("UnFl")) {
            m_in.skip(4);
            m_in.skip(std::uint64_t { m_in.u32() } * 8);
        } else if (is("obj ")) {
            const std::uint32_t count = m_in.u32();
            for (std::uint32_t i = 0; i < count; ++i) referenceItem();
        } else {
            m_in.fail("unknown value type in a descriptor");
        }
        return value;
    }

    ByteReader& m_in;
};

} // namespace

const DescriptorValue* DescriptorValue::find(const std::string& key) const {
    if (kind != Kind::Descriptor) return nullptr;
    for (const DescriptorItem& item : items)
        if (item.key == key) return &item.value;
    return nullptr;
}

double DescriptorValue::numberOr(double fallback) const {
    if (kind == Kind::Number) return number;
    if (kind == Kind::Integer) return static_cast<double>(integer);
    return fallback;
}

DescriptorValue ReadDescriptor(std::span<const std::uint8_t> data, const std::string& context) {
    ByteReader in(data, ByteOrder::BigEndian, context);
    return DescriptorReader(in).descriptor(0);
}

} // namespace deptrix
