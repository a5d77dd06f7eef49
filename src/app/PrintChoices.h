#pragma once

#include "core/Fixed.h"
#include "print/PrintGeometry.h"

#include <QString>
#include <memory>

class QSettings;

namespace deptrix {

/// The choices of a print that are not fields of the window.
struct PrintOptions {
    int frames = kViewCount; ///< strips under every lens (shown from and kept in the Angles field)
    Fixed dpi = 0; ///< the printer's resolution, kAutoDpi for LPI x frames (kept in the OutDPI field)
    LensOrientation lens = LensOrientation::Vertical;
    bool marks = false;
    long double marginInches = kDefaultMarginInches;
    long double bleedInches = 0;
    Fixed phase = 0; ///< -5000 .. 5000 (lenses x10000)
    bool reverse = false;
    TiffCompression compression = TiffCompression::None;
};

/// `base` (the fields' settings) with the options: frames, resolution (LPI x frames
/// for the automatic one), lenses, marks, bleed, phase, order and compression.
PrintSettings WithOptions(PrintSettings base, const PrintOptions& options);

/// The export dialog's choices kept between runs in the program's own settings store
/// (the INI file or the user's settings where the recent files list lives): lenses,
/// marks, margin, bleed, phase, strip order and compression. Frames and resolution
/// live in the Angles and OutDPI fields, which the configuration file keeps.
class PrintChoices {
public:
    /// `storePath` names an INI file; empty uses the user's settings of the application.
    explicit PrintChoices(const QString& storePath);
    ~PrintChoices();

    /// The stored choices, each within its range; defaults for what is missing or damaged.
    PrintOptions load() const;
    void save(const PrintOptions& options);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace deptrix
