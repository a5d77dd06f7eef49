#include "import/LayerEffects.h"

#include "core/ByteReader.h"
#include "core/Error.h"

#include <cstring>
#include <string>

namespace deptrix {

namespace {

/// Nesting deeper than any editor writes marks a damaged or hostile block.
constexpr int kMaxDepth = 16;

struct EffectSwitches {
    bool masterOff = false;
    bool anyEnabled = false;
};

/// Reads the blocks' descriptors ("Objc" values and lists of them) only as far as
/// telling which effects are on; every value of another kind is stepped over.
class DescriptorWalk {
public:
    explicit DescriptorWalk(ByteReader& in)
        : m_in(in) { }

    EffectSwitches run() {
        descriptor(0);
        return m_switches;
    }

private:
    void unicodeText() {
        const std::uint32_t units = m_in.u32();
        m_in.skip(std::uint64_t { units } * 2);
    }

    /// A class or key id: a length, or 0 and a four-letter code.
    std::string id() {
        const std::uint32_t length = m_in.u32();
        const auto bytes = m_in.bytes(length == 0 ? 4 : length);
        return { bytes.begin(), bytes.end() };
    }

    void descriptor(int depth) {
        if (depth > kMaxDepth) m_in.fail("effects nested too deeply");
        unicodeText();
        id();
        const std::uint32_t items = m_in.u32();
        for (std::uint32_t i = 0; i < items; ++i) {
            const std::string key = id();
            value(key, depth);
        }
    }

    void value(const std::string& key, int depth) {
        const auto type = m_in.bytes(4);
        const auto is = [&](const char* code) { return std::memcmp(type.data(), code, 4) == 0; };
        if (is("Objc") || is("GlbO")) {
            descriptor(depth + 1);
        } else if (is("VlLs")) {
            const std::uint32_t count = m_in.u32();
            for (std::uint32_t i = 0; i < count; ++i) value({}, depth + 1);
        } else if (is("bool")) {
            const bool on = m_in.u8() != 0;
            if (depth == 0 && key == "masterFXSwitch") m_switches.masterOff = !on;
            if (depth > 0 && key == "enab" && on) m_switches.anyEnabled = true;
        } else if (is("doub") || is("comp")) {
            m_in.skip(8);
        } else if (is("UntF")) {
            m_in.skip(12);
        } else if (is("long")) {
            m_in.skip(4);
        } else if (is("TEXT")) {
            unicodeText();
        } else if (is("enum")) {
            id();
            id();
        } else if (is("type") || is("GlbC")) {
            unicodeText();
            id();
        } else if (is("alis") || is("tdta") || is("Pth ")) {
            m_in.skip(m_in.u32());
        } else if (is("UnFl")) {
            m_in.skip(4);
            m_in.skip(std::uint64_t { m_in.u32() } * 8);
        } else {
            m_in.fail("unreadable effect value");
        }
    }

    ByteReader& m_in;
    EffectSwitches m_switches;
};

/// The older fixed-layout records: the byte that enables each effect sits at a known
/// place in its record; "cmnS" holds only the common state.
std::optional<bool> OldEffectsShow(ByteReader in) {
    in.skip(2); // version
    const std::uint16_t count = in.u16();
    bool any = false;
    for (std::uint16_t i = 0; i < count; ++i) {
        in.skip(4); // signature
        const auto key = in.bytes(4);
        ByteReader data = in.sub(in.u32(), in.context());
        const auto is = [&](const char* code) { return std::memcmp(key.data(), code, 4) == 0; };
        std::uint64_t enabledAt = 0;
        if (is("dsdw") || is("isdw"))
            enabledAt = 38;
        else if (is("oglw") || is("iglw"))
            enabledAt = 30;
        else if (is("bevl"))
            enabledAt = 55;
        else if (is("sofi"))
            enabledAt = 22;
        else
            continue;
        if (data.size() <= enabledAt) return std::nullopt;
        data.seek(enabledAt);
        any = any || data.u8() != 0;
    }
    return any;
}

} // namespace

std::optional<bool> EffectsShow(const TaggedBlock& block) {
    try {
        ByteReader in(block.data, ByteOrder::BigEndian, "effects");
        if (block.is("lrFX")) return OldEffectsShow(in);
        in.skip(8); // block version, descriptor version
        const EffectSwitches switches = DescriptorWalk(in).run();
        return !switches.masterOff && switches.anyEnabled;
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace deptrix
