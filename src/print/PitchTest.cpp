#include "print/PitchTest.h"

#include "core/Error.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/PendingFile.h"
#include "print/Interlacer.h"
#include "print/LabelFont.h"
#include "print/TiffWriter.h"
#include "print/ViewRows.h"

#include <algorithm>
#include <cstring>

namespace deptrix {

namespace {

constexpr int kMostBands = 201;
constexpr Fixed kPhaseStep = 1000; // 0.1 lens
/// Label box: text of seven font units with two units of padding, no higher than 0.4 inch.
constexpr int kBoxUnits = kLabelFontHeight + 4;
constexpr long double kLargestBoxInches = 0.4L;

std::string PhaseLabel(Fixed phase) {
    return std::string("PH ") + (phase > 0 ? "+" : "") + FormatFixed(phase);
}

/// One interlaced row of a band: view 1 white, every other view black.
std::vector<std::uint8_t> BandRow(const PrintGeometry& sheet, Fixed lpi, Fixed phase) {
    PrintSettings settings = sheet.settings;
    settings.lpi = lpi;
    settings.phase = phase;
    const PrintGeometry geometry = MakePrintGeometry(settings);
    Bitmap white(1, 1, PixelFormat::Bgr24);
    white.fill(255);
    Bitmap black(1, 1, PixelFormat::Bgr24);
    std::vector<const Bitmap*> frames(kViewCount, &black);
    frames[0] = &white;
    BitmapViews views(frames);
    Interlacer interlacer(geometry, views);
    std::vector<std::uint8_t> row(interlacer.rowBytes());
    interlacer.makeRows(0, 1, row.data());
    return row;
}

} // namespace

PitchSheet LayOutPitchSheet(const PitchTestSettings& settings) {
    PrintSettings base;
    base.lpi = settings.lpi;
    base.dpi = settings.dpi;
    base.widthInches = settings.widthInches;
    base.heightInches = settings.heightInches;
    base.reverse = settings.reverse;
    base.compression = settings.compression;
    PitchSheet sheet;
    sheet.geometry = MakePrintGeometry(base);

    std::vector<PitchBand> bands;
    if (settings.phaseTest) {
        for (Fixed phase = -kFixedOne / 2; phase <= kFixedOne / 2; phase += kPhaseStep)
            bands.push_back({ settings.lpi, phase, PhaseLabel(phase), 0, 0 });
    } else {
        if (!kPitchStepRange.contains(FromFixed(settings.step)))
            throw Error("the pitch step must be " + kPitchStepRange.text() + " (it is "
                + FormatFixed(settings.step) + ")");
        if (!kPitchSpanRange.contains(FromFixed(settings.span)))
            throw Error("the pitch span must be " + kPitchSpanRange.text() + " (it is "
                + FormatFixed(settings.span) + ")");
        // Whole steps either side of the nominal pitch, so that it always has a band of
        // its own in the middle.
        const std::int64_t steps = settings.span / settings.step;
        if (2 * steps + 1 > kMostBands)
            throw Error("a span of " + FormatFixed(settings.span) + " in steps of "
                + FormatFixed(settings.step) + " gives more than " + std::to_string(kMostBands) + " bands");
        for (std::int64_t i = -steps; i <= steps; ++i) {
            const Fixed lpi = settings.lpi + i * settings.step;
            if (lpi <= 0) continue;
            bands.push_back({ lpi, 0, FormatFixed(lpi), 0, 0 });
        }
    }

    const std::int64_t gap = std::max<std::int64_t>(1, Round(FromFixed(settings.dpi) * 0.02L));
    const auto count = static_cast<std::int64_t>(bands.size());
    const std::int64_t rows = (sheet.geometry.height - gap * (count - 1)) / count;
    if (rows < kBoxUnits)
        throw Error("a sheet " + FormatNumber(settings.heightInches) + " inches high is too low for "
            + std::to_string(count) + " bands");
    for (std::int64_t i = 0; i < count; ++i) {
        bands[static_cast<std::size_t>(i)].firstRow = i * (rows + gap);
        bands[static_cast<std::size_t>(i)].rows = rows;
    }
    sheet.bands = std::move(bands);
    return sheet;
}

void WritePitchTestSheet(
    const PitchTestSettings& settings, const std::filesystem::path& target, PrintProgress& progress) {
    progress.setPosition(0);
    const PitchSheet sheet = LayOutPitchSheet(settings);
    const PrintGeometry& geometry = sheet.geometry;
    const std::size_t rowBytes = static_cast<std::size_t>(geometry.width) * 3;
    const TiffLayout layout = PrintLayout(geometry, 3, {});

    // Labels as large as the bands allow, the same size on every band.
    const std::int64_t bandRows = sheet.bands.front().rows;
    const auto largest = static_cast<std::int64_t>(FromFixed(settings.dpi) * kLargestBoxInches) / kBoxUnits;
    const int scale = static_cast<int>(std::max<std::int64_t>(1, std::min(bandRows / kBoxUnits, largest)));
    const int padding = 2 * scale;
    // One box width for all labels, so that every band's strips start in one column.
    std::size_t longest = 0;
    for (const PitchBand& b : sheet.bands) longest = std::max(longest, b.label.size());
    const auto boxWidth = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(longest * kLabelCharacterUnits - 1) * scale + 2 * padding, geometry.width));

    std::size_t band = 0;
    std::vector<std::uint8_t> bandRow;
    Bitmap label;
    std::int64_t labelTop = 0;
    const auto makeRows = [&](std::int64_t first, int count, std::uint8_t* out) {
        for (int i = 0; i < count; ++i, out += rowBytes) {
            const std::int64_t y = first + i;
            while (band < sheet.bands.size() && y >= sheet.bands[band].firstRow + sheet.bands[band].rows) {
                ++band;
                bandRow.clear();
            }
            if (band >= sheet.bands.size() || y < sheet.bands[band].firstRow) {
                std::memset(out, 255, rowBytes); // gap
                continue;
            }
            const PitchBand& current = sheet.bands[band];
            if (bandRow.empty()) {
                bandRow = BandRow(geometry, current.lpi, current.phase);
                label = RenderLabel(current.label, scale);
                labelTop = current.firstRow + (current.rows - label.height()) / 2;
            }
            std::memcpy(out, bandRow.data(), rowBytes);
            // The white box, the band's full height, and its black text.
            std::memset(out, 255, boxWidth * 3);
            if (y < labelTop || y >= labelTop + label.height()) continue;
            const std::uint8_t* ink = label.row(static_cast<int>(y - labelTop));
            for (int x = 0; x < label.width() && x + padding < geometry.width; ++x)
                if (ink[x]) std::memset(out + static_cast<std::size_t>(x + padding) * 3, 0, 3);
        }
    };
    WriteTiffFile(
        target, layout,
        [&]() -> TiffRows {
            band = 0;
            bandRow.clear();
            return makeRows;
        },
        progress);
}

} // namespace deptrix
