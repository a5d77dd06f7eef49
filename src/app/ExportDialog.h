#pragma once

#include "app/PrintChoices.h"
#include "print/PrintExport.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace deptrix {

struct ExportDialogTexts;

/// What the export dialog shows a print from.
struct ExportDialogInput {
    PrintSettings base; ///< from the fields: LPI, width and height, H Scale, the source's size
    Fixed fieldDpi = 0; ///< the OutDPI field's resolution, kAutoDpi for "(Auto)"
    bool cmyk = false;
    std::size_t profileBytes = 0; ///< the colour profile the file embeds, 0 for none
    std::function<double(int frames)> largestMovement; ///< in lens widths between neighbouring frames
    int language = 0; ///< 0 English, 1 Chinese
};

/// "Export tiff file": the print's options (frames, printer resolution with the pixels
/// per lens and strip width of each, lenses, marks and margin, bleed, phase, order,
/// compression) and what the print will be with them (size in inches and pixels, page,
/// resolution, lens, strips, colour, file size, the largest movement between
/// frames), shown anew as the options change, before a file is chosen. It warns when
/// a strip would be narrower than a printer pixel and offers the most frames that fit.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(const ExportDialogInput& input, const PrintOptions& options, QWidget* parent = nullptr);

    PrintOptions options() const;
    /// The fields' settings with the dialog's options.
    PrintSettings settings() const;

private:
    void fillResolutions();
    void refresh();

    ExportDialogInput m_input;
    const ExportDialogTexts& m_texts;
    QLabel* m_size;
    QLabel* m_page;
    QLabel* m_pageCaption;
    QLabel* m_resolution;
    QLabel* m_lens;
    QLabel* m_strips;
    QLabel* m_fileSize;
    QLabel* m_movement;
    QLabel* m_movementWarning;
    QLabel* m_problem;
    QSpinBox* m_frames;
    QLabel* m_framesWarning;
    QPushButton* m_framesFit;
    QComboBox* m_printerDpi;
    QComboBox* m_lenses;
    QCheckBox* m_marks;
    QDoubleSpinBox* m_margin;
    QDoubleSpinBox* m_bleed;
    QDoubleSpinBox* m_phase;
    QCheckBox* m_reverse;
    QComboBox* m_compression;
    QPushButton* m_export;
};

} // namespace deptrix
