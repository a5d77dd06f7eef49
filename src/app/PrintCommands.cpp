// Print files (the interlaced print and the pitch test sheet) and the depth budget
// of the layers at the current lens and print width.

#include "app/ExportDialog.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/ParameterPanel.h"
#include "app/PitchTestDialog.h"
#include "app/Platform.h"
#include "app/PrintChoices.h"
#include "app/PrintProgressDialog.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/UiTexts.h"
#include "core/NumberText.h"
#include "import/LayerTable.h"
#include "print/DepthBudget.h"
#include "print/PrintExport.h"
#include "print/PrintFields.h"
#include "render/FrameSet.h"
#include "render/ViewSet.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>
#include <cmath>

namespace deptrix {

namespace {

/// "2.2 lens widths", "1 lens width".
QString LensWidths(double value, int language) {
    const double rounded = std::round(value * 10) / 10;
    return Tr(rounded == 1 ? Ui::LensWidth : Ui::LensWidths, language).arg(Text(FormatNumber(rounded)));
}

QString TiffPathBeside(const std::string& psdPath, const char* suffix) {
    const QFileInfo info(Text(psdPath));
    return info.path() + "/" + info.completeBaseName() + suffix;
}

FileDialogOptions TiffSaveOptions(const QString& title, const QString& proposed) {
    FileDialogOptions options;
    options.title = title;
    options.filter = "TIFF (*.tif *.tiff)";
    options.defaultSuffix = "tif";
    options.initialPath = proposed;
    options.confirmOverwrite = true;
    return options;
}

} // namespace

void MainWindow::enablePrintExport(bool enabled) {
    m_exportTiffButton->setEnabled(enabled);
    m_menu->entries().exportTiff->setEnabled(enabled);
}

int MainWindow::printFrames() const {
    // The Angles field drives the frames; a value no print can have starts at seven.
    try {
        const std::int32_t angles = ParseInteger(Std(m_parameterPanel->anglesField()->text()));
        return IsFrameCount(angles) ? angles : kViewCount;
    } catch (const ConvertError&) {
        return kViewCount;
    }
}

void MainWindow::exportTiff() {
    // The fields as they are now; a text that is not a number stops here with its
    // field's message, before anything is written.
    ParameterPanel& fields = *m_parameterPanel;
    const PrintFieldValues values
        = ReadPrintFields({ Std(fields.lpiField()->text()), Std(fields.dpiField()->currentText()),
            Std(fields.widthField()->text()), Std(fields.heightText()), Std(fields.hScaleField()->text()) });
    ViewSetInput grid;
    grid.offsetCells = m_layerPanel->offsetCells(m_doc.LayerCount);
    grid.focusText = Std(fields.focusField()->text());
    const LayerOffsets offsets = ReadLayerOffsets(m_doc, grid);

    ExportDialogInput input;
    input.base = SettingsFromFields(values);
    KeepSourceProportions(input.base, m_doc);
    input.fieldDpi = values.outDpi;
    input.cmyk = m_doc.ImageMode == 4;
    input.profileBytes = m_doc.IccProfile.size();
    input.language = m_language;
    input.largestMovement = [&](int frames) {
        return LargestParallax(
            ParallaxPerView(m_doc, offsets, m_doc.DepthFactor, { values.lpi, values.widthInches, frames }));
    };
    PrintOptions options = m_printChoices->load();
    options.frames = printFrames();
    options.dpi = values.outDpi;
    DescribePrint(m_doc, WithOptions(input.base, options)); // refuses a document that cannot be printed

    ExportDialog dialog(input, options, this);
    if (!m_platform.runDialog(&dialog)) {
        reportNothingWritten();
        return;
    }
    options = dialog.options();
    m_printChoices->save(options);
    const PrintSettings settings = dialog.settings();

    const QString path = m_platform.saveFileName(
        this, TiffSaveOptions(Tr(Ui::ExportTitle, m_language), TiffPathBeside(m_doc.PsdPath, ".tif")));
    if (path.isEmpty()) {
        reportNothingWritten();
        return;
    }
    refuseOutputOverInput(path, true);
    PrintProgressDialog progress(Tr(Ui::ExportTitle, m_language),
        Tr(Ui::Writing, m_language).arg(QFileInfo(path).fileName()), Tr(Ui::Cancel, m_language), this);
    try {
        ExportPrint(m_doc, offsets, settings, ToPath(m_work.path()), ToPath(path), progress);
    } catch (const PrintCancelled&) {
        reportNothingWritten();
        return;
    }
    reportWritten(path);
    // The values the print used are the output settings from now on, the frames and
    // resolution chosen in the dialog in their fields too.
    m_doc.OutDpi = options.dpi;
    m_doc.OutWidth = ToFixed(values.widthInches);
    m_doc.OutHeight = ToFixed(values.heightInches);
    m_doc.HScale = static_cast<std::uint8_t>(values.hScale);
    m_doc.Angles = options.frames;
    fields.anglesField()->setText(QString::number(options.frames));
    fields.dpiField()->setCurrentText(
        options.dpi == kAutoDpi ? QString("(Auto)") : Text(FormatFixed(options.dpi)));
    m_platform.beep();
}

void MainWindow::makePitchTestSheet() {
    if (!m_pitchTest) {
        // The first sheet starts from the lens and output fields.
        ParameterPanel& fields = *m_parameterPanel;
        PitchTestSettings settings;
        settings.lpi = ParseFieldFixed(Std(fields.lpiField()->text()));
        const std::string dpi = Std(fields.dpiField()->currentText());
        settings.dpi = IsAutoDpiText(dpi) ? settings.lpi * kViewCount : ParseFieldFixed(dpi);
        settings.widthInches = ParseFieldReal(Std(fields.widthField()->text()));
        settings.heightInches = ParseFieldReal(Std(fields.heightText()));
        m_pitchTest = settings;
    }
    PitchTestDialog dialog(*m_pitchTest, m_language, this);
    if (!m_platform.runDialog(&dialog)) {
        reportNothingWritten();
        return;
    }
    m_pitchTest = dialog.settings();
    LayOutPitchSheet(*m_pitchTest); // refuses a sheet it cannot lay out before a file is chosen

    const QString proposed = m_doc.PsdPath.empty() ? QString("pitch-test.tif")
                                                   : TiffPathBeside(m_doc.PsdPath, "-pitch-test.tif");
    const QString path
        = m_platform.saveFileName(this, TiffSaveOptions(Tr(Ui::PitchTitle, m_language), proposed));
    if (path.isEmpty()) {
        reportNothingWritten();
        return;
    }
    refuseOutputOverInput(path, true);
    PrintProgressDialog progress(Tr(Ui::PitchTitle, m_language),
        Tr(Ui::Writing, m_language).arg(QFileInfo(path).fileName()), Tr(Ui::Cancel, m_language), this);
    try {
        WritePitchTestSheet(*m_pitchTest, ToPath(path), progress);
    } catch (const PrintCancelled&) {
        reportNothingWritten();
        return;
    }
    reportWritten(path);
    m_platform.beep();
}

void MainWindow::fitDepthToLens() {
    ParameterPanel& fields = *m_parameterPanel;
    const LensBudgetSettings lens { ParseFieldFixed(Std(fields.lpiField()->text())),
        ParseFieldReal(Std(fields.widthField()->text())), printFrames() };
    ViewSetInput grid;
    grid.offsetCells = m_layerPanel->offsetCells(m_doc.LayerCount);
    grid.focusText = Std(fields.focusField()->text());
    const std::optional<Fixed> fitted
        = FitDepthToLens(m_doc, ReadLayerOffsets(m_doc, grid), m_doc.DepthFactor, lens);
    if (!fitted) {
        m_platform.showMessage(this, Tr(Ui::NothingToFit, m_language));
        return;
    }
    // Through the field, so that its rule applies as to a typed value.
    fields.depthField()->setText(Text(FormatFixed(*fitted)));
    m_platform.showMessage(this, Tr(Ui::DepthFitted, m_language).arg(Text(FormatFixed(*fitted))));
}

void MainWindow::refreshDepthBudget() {
    const int rows = m_doc.LayerCount;
    if (rows == 0 || m_doc.Layers.size() < static_cast<std::size_t>(rows)) {
        m_statusPanels->setWarning(QString());
        return;
    }
    std::vector<double> parallax;
    try {
        ParameterPanel& fields = *m_parameterPanel;
        const LensBudgetSettings lens { ParseFieldFixed(Std(fields.lpiField()->text())),
            ParseFieldReal(Std(fields.widthField()->text())), printFrames() };
        ViewSetInput grid;
        grid.offsetCells = m_layerPanel->offsetCells(rows);
        grid.focusText = Std(fields.focusField()->text());
        parallax = ParallaxPerView(m_doc, ReadLayerOffsets(m_doc, grid), m_doc.DepthFactor, lens);
    } catch (const Error&) {
        // Half-typed texts are the fields' business; the budget waits for numbers.
        return;
    }
    const std::vector<LayerTableRow> tableRows = LayerTableRows(m_doc);
    std::size_t worst = 0;
    for (int r = 1; r <= rows; ++r) {
        const auto layer = static_cast<std::size_t>(rows - r);
        const double moves = parallax[layer];
        if (moves > parallax[worst]) worst = layer;
        m_layerPanel->markMovement(r,
            layerToolTip(tableRows[static_cast<std::size_t>(r - 1)]) + "\n"
                + Tr(Ui::MovesBetweenViews, m_language).arg(LensWidths(moves, m_language)),
            moves > kParallaxLimit);
    }
    if (parallax[worst] <= kParallaxLimit) {
        m_statusPanels->setWarning(QString());
        return;
    }
    const QString name = Text(m_doc.Layers[worst].displayName());
    const QString moves = LensWidths(parallax[worst], m_language);
    m_statusPanels->setWarning(Tr(Ui::MovementWarning, m_language).arg(name, moves),
        Tr(Ui::MovementExplanation, m_language).arg(name, moves));
}

} // namespace deptrix
