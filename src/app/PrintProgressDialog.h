#pragma once

#include "print/PrintExport.h"

#include <QProgressDialog>

namespace deptrix {

/// The progress of a print file with its Cancel button. Showing progress lets the
/// window repaint; the dialog is modal, so no other command starts meanwhile.
class PrintProgressDialog final : public QProgressDialog, public PrintProgress {
    Q_OBJECT
public:
    PrintProgressDialog(const QString& title, const QString& label, const QString& cancel, QWidget* parent);

    void setPosition(int percent) override;
    bool cancelRequested() override;
};

} // namespace deptrix
