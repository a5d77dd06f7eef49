#pragma once

#include "core/Fixed.h"
#include "print/PrintExport.h"
#include "print/PrintGeometry.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace deptrix {

/// The steps between a sheet's pitches and how far they reach either side (LPI).
inline constexpr NumberRange kPitchStepRange { 0, false, NumberRange::kNone, false };
inline constexpr NumberRange kPitchSpanRange { 0, true, NumberRange::kNone, false };

/// A sheet that finds the lens's real pitch (or, as a phase test, the strips'
/// best position) before a print.
struct PitchTestSettings {
    Fixed lpi = 424775; ///< nominal pitch, x10000
    Fixed dpi = 7200000; ///< print resolution, x10000
    Fixed span = 5000; ///< candidates from lpi - span to lpi + span, lpi itself always one
    Fixed step = 500; ///< between candidates, counted from lpi
    long double widthInches = 5;
    long double heightInches = 5;
    bool phaseTest = false; ///< bands at the nominal pitch with phases -0.5 .. 0.5 in steps of 0.1
    bool reverse = false;
    TiffCompression compression = TiffCompression::None;
};

/// One band of the sheet.
struct PitchBand {
    Fixed lpi = 0;
    Fixed phase = 0;
    std::string label; ///< what the band's white box says
    std::int64_t firstRow = 0;
    std::int64_t rows = 0;
};

/// The sheet's layout: its size and its bands top to bottom, a thin white gap
/// between neighbours. Throws Error for settings that give no sheet (a step of 0,
/// too many bands, bands too low to read).
struct PitchSheet {
    PrintGeometry geometry; ///< the sheet at the nominal pitch, square pixels
    std::vector<PitchBand> bands;
};
PitchSheet LayOutPitchSheet(const PitchTestSettings& settings);

/// Writes the sheet as an RGB TIFF at the given resolution: each band interlaced
/// at its own pitch and phase from a white view 1 and black views 2 .. 7 (a white
/// strip one seventh of a lens wide under every lens), its label large in a white
/// box at its left, the boxes of all bands as wide as the widest. Same file safety as a print (temporary
/// file, cancel, space).
void WritePitchTestSheet(
    const PitchTestSettings& settings, const std::filesystem::path& target, PrintProgress& progress);

} // namespace deptrix
