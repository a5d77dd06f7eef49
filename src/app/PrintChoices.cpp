#include "app/PrintChoices.h"

#include "print/PrintFields.h"

#include <QSettings>
#include <algorithm>

namespace deptrix {

namespace {

constexpr const char* kGroup = "print";

const char* CompressionName(TiffCompression compression) {
    switch (compression) {
    case TiffCompression::Lzw:
        return "lzw";
    case TiffCompression::Deflate:
        return "deflate";
    case TiffCompression::None:
        break;
    }
    return "none";
}

/// A stored real within low .. high, else `fallback`.
long double Within(
    const QSettings& settings, const char* key, long double low, long double high, long double fallback) {
    bool ok = false;
    const double value = settings.value(key).toDouble(&ok);
    return ok && value >= low && value <= high ? static_cast<long double>(value) : fallback;
}

} // namespace

PrintSettings WithOptions(PrintSettings base, const PrintOptions& options) {
    base.frames = options.frames;
    base.dpi = ResolveDpi(options.dpi, base.lpi, options.frames);
    base.lens = options.lens;
    base.marks = options.marks;
    base.marginInches = options.marginInches;
    base.bleedInches = options.bleedInches;
    base.phase = options.phase;
    base.reverse = options.reverse;
    base.compression = options.compression;
    return base;
}

PrintChoices::PrintChoices(const QString& storePath)
    : m_settings(storePath.isEmpty() ? std::make_unique<QSettings>()
                                     : std::make_unique<QSettings>(storePath, QSettings::IniFormat)) { }

PrintChoices::~PrintChoices() = default;

PrintOptions PrintChoices::load() const {
    PrintOptions options;
    QSettings& s = *m_settings;
    s.beginGroup(kGroup);
    options.lens = s.value("lens").toString() == "horizontal" ? LensOrientation::Horizontal
                                                              : LensOrientation::Vertical;
    options.marks = s.value("marks").toBool();
    options.marginInches = Within(s, "margin", kMinMarginInches, kMaxMarginInches, kDefaultMarginInches);
    options.bleedInches = Within(s, "bleed", 0, kMaxBleedInches, 0);
    if (options.marks) options.bleedInches = std::min(options.bleedInches, options.marginInches / 2);
    options.phase = ToFixed(Within(s, "phase", -0.5L, 0.5L, 0));
    options.reverse = s.value("reverse").toBool();
    const QString compression = s.value("compression").toString();
    options.compression = compression == "lzw" ? TiffCompression::Lzw
        : compression == "deflate"             ? TiffCompression::Deflate
                                               : TiffCompression::None;
    s.endGroup();
    return options;
}

void PrintChoices::save(const PrintOptions& options) {
    QSettings& s = *m_settings;
    s.beginGroup(kGroup);
    s.setValue("lens", options.lens == LensOrientation::Horizontal ? "horizontal" : "vertical");
    s.setValue("marks", options.marks);
    s.setValue("margin", static_cast<double>(options.marginInches));
    s.setValue("bleed", static_cast<double>(options.bleedInches));
    s.setValue("phase", static_cast<double>(FromFixed(options.phase)));
    s.setValue("reverse", options.reverse);
    s.setValue("compression", CompressionName(options.compression));
    s.endGroup();
    s.sync();
}

} // namespace deptrix
