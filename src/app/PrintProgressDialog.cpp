#include "app/PrintProgressDialog.h"

#include <QCoreApplication>

namespace deptrix {

PrintProgressDialog::PrintProgressDialog(const QString& label, QWidget* parent)
    : QProgressDialog(label, "Cancel", 0, 100, parent) {
    setObjectName("PrintProgress");
    setWindowTitle("Export tiff file");
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setValue(0);
}

void PrintProgressDialog::setPosition(int percent) {
    setValue(percent);
}

bool PrintProgressDialog::cancelRequested() {
    QCoreApplication::processEvents();
    return wasCanceled();
}

} // namespace deptrix
