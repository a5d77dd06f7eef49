#include "app/PrintProgressDialog.h"

#include <QCoreApplication>

namespace deptrix {

PrintProgressDialog::PrintProgressDialog(
    const QString& title, const QString& label, const QString& cancel, QWidget* parent)
    : QProgressDialog(label, cancel, 0, 100, parent) {
    setObjectName("PrintProgress");
    setWindowTitle(title);
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
