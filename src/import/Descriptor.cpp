#include "import/Descriptor.h"

#include "import/Utf16Text.h"

#include <cstring>

namespace deptrix {

namespace {

/// Nesting deeper than any editor writes marks a damaged or hostile block.
constexpr int kMaxDepth = 32;
/// Values a descriptor may hold in all; an effects block has a few hundred.
constexpr std::size_t kMaxValues = 200000;

class DescriptorParser {
public:
    explicit DescriptorParser(ByteReader& in)
        : m_in(in) { }

    DescriptorValue object(int depth) {
        if (depth > kMaxDepth) m_in.fail("descriptor nested too deeply");
        DescriptorValue value;
        value.type = DescriptorValue::Type::Object;
        unicodeText();
        value.text = id();
        const std::uint32_t count = m_in.u32();
        // Every member takes at least eight bytes: a key and a type.
        if (count > m_in.remaining() / 8) m_in.fail("descriptor lists more members than it holds");
        for (std::uint32_t i = 0; i < count; ++i) {
            DescriptorItem item;
            item.key = id();
            item.value = member(depth);
            value.items.push_back(std::move(item));
        }
        return value;
    }

private:
    std::string unicodeText() {
        const std::uint32_t units = m_in.u32();
        if (units > m_in.remaining() / 2) m_in.fail("text longer than its descriptor");
        std::vector<std::uint16_t> text(units);
        for (auto& unit : text) unit = m_in.u16();
        while (!text.empty() && text.back() == 0) text.pop_back();
        return Utf16ToUtf8(text);
    }

    /// A class or key id: a length, or 0 and a four-letter code.
    std::string id() {
        const std::uint32_t length = m_in.u32();
        const auto bytes = m_in.bytes(length == 0 ? 4 : length);
        return { bytes.begin(), bytes.end() };
    }

    DescriptorValue member(int depth) {
        if (++m_values > kMaxValues) m_in.fail("descriptor holds too many values");
        const auto type = m_in.bytes(4);
        const auto is = [&](const char* code) { return std::memcmp(type.data(), code, 4) == 0; };
        DescriptorValue value;
        using Type = DescriptorValue::Type;
        if (is("Objc") || is("GlbO")) {
            value = object(depth + 1);
        } else if (is("VlLs")) {
            value.type = Type::List;
            const std::uint32_t count = m_in.u32();
            if (count > m_in.remaining() / 4) m_in.fail("list longer than its descriptor");
            for (std::uint32_t i = 0; i < count; ++i) value.list.push_back(member(depth + 1));
        } else if (is("bool")) {
            value.type = Type::Bool;
            value.real = m_in.u8() != 0 ? 1 : 0;
        } else if (is("doub")) {
            value.type = Type::Number;
            value.real = real();
        } else if (is("UntF")) {
            value.type = Type::Number;
            const auto unit = m_in.bytes(4);
            value.text.assign(unit.begin(), unit.end());
            value.real = real();
        } else if (is("long")) {
            value.type = Type::Integer;
            value.real = m_in.i32();
        } else if (is("comp")) {
            value.type = Type::Integer;
            value.real = static_cast<double>(m_in.i64());
        } else if (is("TEXT")) {
            value.type = Type::Text;
            value.text = unicodeText();
        } else if (is("enum")) {
            value.type = Type::Enum;
            id();
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
            reference();
        } else {
            m_in.fail("unknown descriptor value type");
        }
        return value;
    }

    double real() {
        const std::uint64_t bits = m_in.u64();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    void reference() {
        const std::uint32_t count = m_in.u32();
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto form = m_in.bytes(4);
            const auto is = [&](const char* code) { return std::memcmp(form.data(), code, 4) == 0; };
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
            } else if (is("rele") || is("Idnt") || is("indx")) {
                if (is("rele")) {
                    unicodeText();
                    id();
                }
                m_in.skip(4);
            } else if (is("name")) {
                unicodeText();
                id();
                unicodeText();
            } else {
                m_in.fail("unknown descriptor reference");
            }
        }
    }

    ByteReader& m_in;
    std::size_t m_values = 0;
};

} // namespace

const DescriptorValue* DescriptorValue::find(std::string_view key) const {
    for (const DescriptorItem& item : items)
        if (item.key == key) return &item.value;
    return nullptr;
}

double DescriptorValue::number(std::string_view key, double fallback) const {
    const DescriptorValue* value = find(key);
    if (!value || (value->type != Type::Number && value->type != Type::Integer && value->type != Type::Bool))
        return fallback;
    return value->real;
}

bool DescriptorValue::flag(std::string_view key, bool fallback) const {
    const DescriptorValue* value = find(key);
    return value && value->type == Type::Bool ? value->real != 0 : fallback;
}

std::string_view DescriptorValue::word(std::string_view key) const {
    const DescriptorValue* value = find(key);
    return value && (value->type == Type::Enum || value->type == Type::Text) ? std::string_view(value->text)
                                                                             : std::string_view();
}

DescriptorValue ReadDescriptor(ByteReader& in) {
    return DescriptorParser(in).object(0);
}

} // namespace deptrix
