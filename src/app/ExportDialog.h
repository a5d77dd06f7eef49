#pragma once

#include "core/Fixed.h"
#include "print/PrintExport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace deptrix {

/// The options of a print that are not fields of the window, kept between exports.
struct PrintOptions {
    Fixed phase = 0; ///< -5000 .. 5000 (lenses x10000)
    bool reverse = false;
    TiffCompression compression = TiffCompression::None;
};

/// "Export tiff file": what the print will be (size in inches and pixels,
/// resolution, lens, views, colour, file size, the largest movement between views)
/// and its options, before a file is chosen.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(const PrintFacts& facts, double largestMovement, const PrintOptions& options,
        QWidget* parent = nullptr);

    PrintOptions options() const;

private:
    void showFileSize();

    PrintFacts m_facts;
    QDoubleSpinBox* m_phase;
    QCheckBox* m_reverse;
    QComboBox* m_compression;
    QLabel* m_fileSize;
};

} // namespace deptrix
