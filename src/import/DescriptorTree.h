#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

struct DescriptorItem;

/// One value of a descriptor, the key-value structure many tagged blocks hold
/// (artboards, effects, fills): numbers, texts, enumerations, nested descriptors and
/// lists. Kinds this program has no use for are kept as Other after being stepped over.
struct DescriptorValue {
    enum class Kind : std::uint8_t { Descriptor, List, Number, Integer, Boolean, Text, Enumeration, Other };
    Kind kind = Kind::Other;
    double number = 0; ///< "doub", "UntF" (in `unit`)
    std::int64_t integer = 0; ///< "long", "comp"
    bool boolean = false;
    std::string text; ///< "TEXT" (UTF-8), the value of an enumeration, a descriptor's class id
    std::string unit; ///< the unit of a "UntF" ("#Pxl", "#Prc", ...), the type of an enumeration
    std::vector<DescriptorItem> items; ///< a descriptor's keys and values, a list's values (no keys)

    /// The value of `key` in a descriptor, or null.
    const DescriptorValue* find(const std::string& key) const;
    /// A number or integer as a real number; `fallback` for any other kind.
    double numberOr(double fallback) const;
};

struct DescriptorItem {
    std::string key;
    DescriptorValue value;
};

/// Reads one descriptor (class name, class id, items) from the start of `data`,
/// through the bounded reader: a value that runs past `data`, nesting deeper than any
/// editor writes or a value type this reader does not know throws Error naming
/// `context`.
DescriptorValue ReadDescriptor(std::span<const std::uint8_t> data, const std::string& context);

} // namespace deptrix
