#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace deptrix {

/// What a file dialog asks for. An empty result means the user cancelled.
struct FileDialogOptions {
    QString title;
    QString filter; ///< "Photoshop file (*.psd)" style, several separated by ";;"
    QString defaultSuffix; ///< without the dot
    QString initialPath; ///< folder or proposed file
    bool confirmOverwrite = true;
    /// An open dialog with a preview pane showing the selected PSD's picture and facts.
    bool picturePreview = false;
    int language = 0; ///< of the preview pane: 0 English, 1 Chinese
};

/// The desktop services the window uses, so tests can script them without modal
/// dialogs: file dialogs, questions and message boxes, the beep, the busy cursor,
/// opening paths and addresses with the desktop's default program, short sleeps.
class Platform {
public:
    virtual ~Platform() = default;

    virtual QString openFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Asks `text` with one button per answer, the first being the default. Returns the
    /// index of the answer chosen, or -1 when the question was closed without one
    /// (Escape, the close box).
    virtual int askChoice(
        QWidget* parent, const QString& title, const QString& text, const QStringList& answers)
        = 0;
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    virtual void showError(QWidget* parent, const QString& text) = 0;
    virtual void beep() = 0;
    /// Busy (hourglass) or normal pointer for the whole application; not nested.
    virtual void setBusyCursor(bool busy) = 0;
    virtual bool isBusyCursor() const = 0;
    /// Opens a local path or a web address with the desktop's default program.
    virtual bool openExternal(const QString& pathOrUrl) = 0;
    virtual void sleepMs(int milliseconds) = 0;
    /// Runs one of the program's own dialogs modally; true when the user accepted it.
    virtual bool runDialog(QDialog* dialog) = 0;
};

/// The real desktop, through Qt.
class QtPlatform final : public Platform {
public:
    QString openFileName(QWidget* parent, const FileDialogOptions& options) override;
    QString saveFileName(QWidget* parent, const FileDialogOptions& options) override;
    bool askYesNo(QWidget* parent, const QString& title, const QString& text) override;
    int askChoice(
        QWidget* parent, const QString& title, const QString& text, const QStringList& answers) override;
    void showMessage(QWidget* parent, const QString& text) override;
    void showError(QWidget* parent, const QString& text) override;
    void beep() override;
    void setBusyCursor(bool busy) override;
    bool isBusyCursor() const override { return m_busy; }
    bool openExternal(const QString& pathOrUrl) override;
    void sleepMs(int milliseconds) override;
    bool runDialog(QDialog* dialog) override;

private:
    bool m_busy = false;
};

} // namespace deptrix
