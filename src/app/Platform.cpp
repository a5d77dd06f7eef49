#include "app/Platform.h"

#include "app/PsdOpenDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QUrl>

namespace deptrix {

namespace {

QFileDialog* MakeDialog(QWidget* parent, const FileDialogOptions& options, QFileDialog::AcceptMode mode) {
    auto* dialog = options.picturePreview && mode == QFileDialog::AcceptOpen
        ? new PsdOpenDialog(parent, options.title, options.language)
        : new QFileDialog(parent, options.title);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setAcceptMode(mode);
    dialog->setNameFilters(options.filter.split(";;", Qt::SkipEmptyParts));
    dialog->setDefaultSuffix(options.defaultSuffix);
    if (!options.confirmOverwrite) dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setOption(QFileDialog::ReadOnly, false);
    const QFileInfo initial(options.initialPath);
    if (initial.isDir()) {
        dialog->setDirectory(initial.absoluteFilePath());
    } else if (!options.initialPath.isEmpty()) {
        dialog->setDirectory(initial.absolutePath());
        dialog->selectFile(initial.fileName());
    }
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return dialog;
}

QString Run(QFileDialog* dialog) {
    QString result;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        result = dialog->selectedFiles().first();
    delete dialog;
    return result;
}

} // namespace

QString QtPlatform::openFileName(QWidget* parent, const FileDialogOptions& options) {
    return Run(MakeDialog(parent, options, QFileDialog::AcceptOpen));
}

QString QtPlatform::saveFileName(QWidget* parent, const FileDialogOptions& options) {
    return Run(MakeDialog(parent, options, QFileDialog::AcceptSave));
}

bool QtPlatform::askYesNo(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

int QtPlatform::askChoice(
    QWidget* parent, const QString& title, const QString& text, const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers)
        buttons << box.addButton(
            answer, buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::ActionRole);
    if (!buttons.isEmpty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.first()));
    // Escape and the close box answer none of them: a button that is never shown
    // stands for them.
    QAbstractButton* none = box.addButton(QMessageBox::Cancel);
    none->hide();
    box.setEscapeButton(none);
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

void QtPlatform::showMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Deptrix"), text);
}

void QtPlatform::showError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Deptrix"), text);
}

void QtPlatform::beep() {
    QApplication::beep();
}

void QtPlatform::setBusyCursor(bool busy) {
    if (busy == m_busy) return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool QtPlatform::openExternal(const QString& pathOrUrl) {
    const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

void QtPlatform::sleepMs(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool QtPlatform::runDialog(QDialog* dialog) {
    return dialog->exec() == QDialog::Accepted;
}

} // namespace deptrix
