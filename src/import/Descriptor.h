#pragma once

#include "core/ByteReader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace deptrix {

struct DescriptorItem;

/// One value of an action descriptor, the editor's typed key-value format that layer
/// effects, gradients and colours are stored in. Only what the effects need is kept:
/// objects, lists, booleans, numbers (with their unit), integers, texts and
/// enumerations; raw data and references are stepped over.
struct DescriptorValue {
    enum class Type : std::uint8_t { Object, List, Bool, Number, Integer, Text, Enum, Other };
    Type type = Type::Other;
    double real = 0; ///< Number, Integer and Bool (0 or 1)
    /// Object: its class id ("RGBC"); Number: its unit ("#Pxl", "#Prc", "#Ang", or
    /// empty for a plain double); Enum: the value ("Mltp"); Text: the text as UTF-8.
    std::string text;
    std::vector<DescriptorItem> items; ///< Object members in stored order
    std::vector<DescriptorValue> list; ///< List entries

    /// The member `key` of an object, or null.
    const DescriptorValue* find(std::string_view key) const;
    /// The number of member `key`, or `fallback` when it is absent or not a number.
    double number(std::string_view key, double fallback) const;
    bool flag(std::string_view key, bool fallback) const;
    /// The enumeration value or text of member `key`, or empty.
    std::string_view word(std::string_view key) const;
};

struct DescriptorItem {
    std::string key;
    DescriptorValue value;
};

/// Reads a descriptor (its name, class id and members) at the reader's position.
/// Throws Error on damaged or truncated data, on nesting deeper than editors write
/// and on more values than the data can hold; never reads past the reader's bytes.
DescriptorValue ReadDescriptor(ByteReader& in);

} // namespace deptrix
