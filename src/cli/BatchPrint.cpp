#include "cli/BatchPrint.h"

#include "core/Document.h"
#include "core/NumberText.h"
#include "print/PrintExport.h"
#include "print/PrintFields.h"

#include <csignal>

namespace deptrix {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void NoteInterrupt(int) {
    g_interrupted = 1;
}

/// Batch progress that a signal cancels, so an interrupted run removes its
/// unfinished file instead of leaving it beside the target.
class InterruptibleProgress final : public PrintProgress {
public:
    explicit InterruptibleProgress(BatchProgress& progress)
        : m_progress(progress) {
        g_interrupted = 0;
        m_previousInt = std::signal(SIGINT, NoteInterrupt);
        m_previousTerm = std::signal(SIGTERM, NoteInterrupt);
    }
    ~InterruptibleProgress() override {
        std::signal(SIGINT, m_previousInt);
        std::signal(SIGTERM, m_previousTerm);
    }
    void setPosition(int percent) override { m_progress.setPosition(percent); }
    bool cancelRequested() override { return g_interrupted != 0; }

private:
    BatchProgress& m_progress;
    void (*m_previousInt)(int);
    void (*m_previousTerm)(int);
};

TiffCompression CompressionOf(const std::string& name) {
    if (name == "lzw") return TiffCompression::Lzw;
    if (name == "deflate") return TiffCompression::Deflate;
    return TiffCompression::None;
}

Fixed LpiOf(const BatchOptions& options, const Document& doc) {
    return options.lpiText ? ParseFixed(*options.lpiText) : doc.Lpi;
}

long double WidthOf(const BatchOptions& options, const Document& doc) {
    return options.widthText ? ParseReal(*options.widthText) : FromFixed(doc.OutWidth);
}

Fixed DpiOf(const BatchOptions& options, const Document& doc, Fixed lpi) {
    if (!options.dpiText) return ResolveDpi(doc.OutDpi, lpi);
    return IsAutoDpiText(*options.dpiText) ? lpi * kStripsPerLens : ParseFixed(*options.dpiText);
}

} // namespace

PrintSettings BatchPrintSettings(const BatchOptions& options, const Document& doc) {
    PrintSettings settings;
    settings.lpi = LpiOf(options, doc);
    settings.dpi = DpiOf(options, doc, settings.lpi);
    settings.widthInches = WidthOf(options, doc);
    // As the window's Height field: width / (source width cm / source height cm).
    const Fixed aspect = doc.SourceHeightCm > 0
        ? Round(static_cast<long double>(doc.SourceWidthCm) / doc.SourceHeightCm * 10000.0L)
        : kFixedOne;
    settings.heightInches = settings.widthInches / (static_cast<long double>(aspect) / 10000.0L);
    settings.hScale = options.hScaleText ? ParseInteger(*options.hScaleText) : doc.HScale;
    settings.phase = options.phaseText ? ParseFixed(*options.phaseText) : 0;
    settings.reverse = options.reverse;
    settings.compression = CompressionOf(options.compression);
    settings.forceBigTiff = options.bigTiff;
    return settings;
}

PitchTestSettings BatchPitchSettings(const BatchOptions& options, const Document& doc) {
    PitchTestSettings settings;
    settings.lpi = LpiOf(options, doc);
    settings.dpi = DpiOf(options, doc, settings.lpi);
    if (options.spanText) settings.span = ParseFixed(*options.spanText);
    if (options.stepText) settings.step = ParseFixed(*options.stepText);
    settings.widthInches = WidthOf(options, doc);
    settings.heightInches = options.heightText ? ParseReal(*options.heightText) : FromFixed(doc.OutHeight);
    settings.phaseTest = options.phaseTest;
    settings.reverse = options.reverse;
    settings.compression = CompressionOf(options.compression);
    return settings;
}

LensBudgetSettings BatchBudgetSettings(const BatchOptions& options, const Document& doc) {
    return { LpiOf(options, doc), WidthOf(options, doc) };
}

void RunInterlace(const BatchOptions& options, Document& doc, const LayerOffsets& offsets,
    const std::filesystem::path& workFolder, BatchProgress& progress) {
    const PrintSettings settings = BatchPrintSettings(options, doc);
    progress.beginStep("print");
    InterruptibleProgress interruptible(progress);
    ExportPrint(doc, offsets, settings, workFolder, options.interlacePath, interruptible);
}

void RunPitchTest(const BatchOptions& options, const Document& doc, BatchProgress& progress) {
    const PitchTestSettings settings = BatchPitchSettings(options, doc);
    progress.beginStep("pitch test");
    InterruptibleProgress interruptible(progress);
    WritePitchTestSheet(settings, options.pitchTestPath, interruptible);
}

} // namespace deptrix
