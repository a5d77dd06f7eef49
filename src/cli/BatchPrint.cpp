#include "cli/BatchPrint.h"

#include "core/Document.h"
#include "core/NumberText.h"
#include "files/SetupFields.h"
#include "print/PrintExport.h"
#include "print/PrintFields.h"
#include "render/FrameSet.h"

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

PrintFieldValues FieldValues(const SetupFields& fields) {
    return ReadPrintFields(
        { fields.lpiText(), fields.dpiText(), fields.widthText(), fields.heightText(), fields.hScaleText() });
}

} // namespace

void ApplyPrintFieldOptions(const BatchOptions& options, SetupFields& fields) {
    if (options.lpiText) fields.setLpiText(*options.lpiText);
    if (options.dpiText) fields.setDpiText(IsAutoDpiText(*options.dpiText) ? "(Auto)" : *options.dpiText);
    if (options.widthText) fields.setWidthText(*options.widthText);
    if (options.hScaleText) fields.setHScaleText(*options.hScaleText);
}

int BatchFrames(const BatchOptions& options, const Document& doc) {
    if (options.frames > 0) return options.frames;
    if (!IsFrameCount(doc.Angles))
        throw Error("Angles " + std::to_string(doc.Angles) + ": the frame count must be at least "
            + std::to_string(kMinFrames) + " and at most " + std::to_string(kMaxFrames)
            + " (--frames sets it)");
    return doc.Angles;
}

PrintSettings BatchPrintSettings(
    const BatchOptions& options, const SetupFields& fields, const Document& doc) {
    PrintSettings settings = SettingsFromFields(FieldValues(fields), BatchFrames(options, doc));
    settings.phase = options.phaseText ? ParseFixed(*options.phaseText) : 0;
    settings.reverse = options.reverse;
    settings.compression = CompressionOf(options.compression);
    settings.forceBigTiff = options.bigTiff;
    settings.lens = options.horizontalLenses ? LensOrientation::Horizontal : LensOrientation::Vertical;
    settings.marks = options.marks;
    settings.marginInches = options.marginInches;
    settings.bleedInches = options.bleedInches;
    KeepSourceProportions(settings, doc);
    return settings;
}

PitchTestSettings BatchPitchSettings(const BatchOptions& options, const SetupFields& fields) {
    const PrintSettings print = SettingsFromFields(FieldValues(fields));
    PitchTestSettings settings;
    settings.lpi = print.lpi;
    settings.dpi = print.dpi;
    if (options.spanText) settings.span = ParseFixed(*options.spanText);
    if (options.stepText) settings.step = ParseFixed(*options.stepText);
    settings.widthInches = print.widthInches;
    settings.heightInches = options.heightText ? ParseReal(*options.heightText) : print.heightInches;
    settings.phaseTest = options.phaseTest;
    settings.reverse = options.reverse;
    settings.compression = CompressionOf(options.compression);
    return settings;
}

LensBudgetSettings BatchBudgetSettings(
    const BatchOptions& options, const SetupFields& fields, const Document& doc) {
    const int frames = options.frames > 0 ? options.frames
        : IsFrameCount(doc.Angles)        ? doc.Angles
                                          : kViewCount;
    return { ParseFieldFixed(fields.lpiText()), ParseFieldReal(fields.widthText()), frames };
}

void RunInterlace(const BatchOptions& options, Document& doc, const SetupFields& fields,
    const LayerOffsets& offsets, const std::filesystem::path& workFolder, BatchProgress& progress) {
    const PrintSettings settings = BatchPrintSettings(options, fields, doc);
    progress.beginStep("print");
    InterruptibleProgress interruptible(progress);
    ExportPrint(doc, offsets, settings, workFolder, options.interlacePath, interruptible);
}

void RunPitchTest(const BatchOptions& options, const SetupFields& fields, BatchProgress& progress) {
    const PitchTestSettings settings = BatchPitchSettings(options, fields);
    progress.beginStep("pitch test");
    InterruptibleProgress interruptible(progress);
    WritePitchTestSheet(settings, options.pitchTestPath, interruptible);
}

} // namespace deptrix
