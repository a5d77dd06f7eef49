#pragma once

#include "core/Fixed.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace deptrix {

struct Document;

inline constexpr const char* kConfigFileName = "deptrixcmyk.inf";

/// The values the configuration file carries, three text lines:
/// 1: five reserved integers, Language, DepthFactor;
/// 2: Lpi, Angles, OutDpi, OutWidth, OutHeight, ColorMode, HScale;
/// 3: a contact line, written and never read.
struct ConfigValues {
    std::array<std::int32_t, 5> Reserved {};
    std::uint8_t Language = 0;
    Fixed DepthFactor = 10000;
    Fixed Lpi = 424775;
    std::int32_t Angles = 7;
    Fixed OutDpi = 7200000; ///< 100000000 (10000.0) means "(Auto)"
    Fixed OutWidth = 50000;
    Fixed OutHeight = 50000;
    std::uint8_t ColorMode = 2;
    std::uint8_t HScale = 4;

    bool operator==(const ConfigValues&) const = default;
};

/// OutDpi stored for "(Auto)".
inline constexpr Fixed kAutoDpi = 100000000;

/// Index of the reserved field that records a finished start-up.
inline constexpr int kStartedField = 2;

/// Parses the text of a configuration file. Fields missing at the end read as 0;
/// a field that is not a number throws Error("Invalid numeric input").
ConfigValues ParseConfig(const std::string& text);

/// Replaces out-of-range values by their defaults; returns true if anything changed.
bool RepairConfig(ConfigValues& values);

/// The three CR LF lines of the file.
std::string FormatConfig(const ConfigValues& values);

/// The values the file carries go into the document (all but the reserved fields and
/// the language), and back.
void ApplyConfig(const ConfigValues& values, Document& doc);
void StoreConfig(const Document& doc, ConfigValues& values);

/// Reads and parses the file; throws Error when it cannot be read or parsed.
ConfigValues ReadConfigFile(const std::filesystem::path& path);

/// What was read from a configuration file that may be damaged.
struct ConfigLoad {
    /// The fields read before a bad one; that field and the later ones hold the values
    /// of a new file. Not yet repaired (RepairConfig).
    ConfigValues values;
    bool complete = true; ///< false when a field or the file itself could not be read
    std::string field; ///< the field that failed, "LPI (line 2, field 1)"; empty when the file itself failed
    std::string problem; ///< why it failed
    std::filesystem::path keptCopy; ///< where the unreadable file was kept, when it could be
    std::string copyProblem; ///< why it could not be kept

    /// The text for the user: the file and its folder, the field, and what was done.
    std::string message(const std::filesystem::path& file) const;
};

/// Parses the text as ParseConfig does, but a field that is not a number ends the
/// reading instead of throwing, and the result names it.
ConfigLoad ParseConfigFields(const std::string& text);

/// Reads the file with ParseConfigFields. When it cannot be read to the end, the
/// unreadable file is kept beside it as "<name>.bad" (written through a new temporary
/// file; a file that could not be read at all is renamed), so that rewriting the
/// configuration does not destroy it.
ConfigLoad LoadConfigFile(const std::filesystem::path& path);

/// The name of the copy kept of an unreadable configuration file.
std::filesystem::path BadConfigCopyPath(const std::filesystem::path& path);

/// Writes the file through a temporary name; throws Error naming the file on failure.
void WriteConfigFile(const std::filesystem::path& path, const ConfigValues& values);

} // namespace deptrix
