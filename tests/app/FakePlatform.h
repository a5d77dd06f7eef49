#pragma once

#include "app/Platform.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

namespace deptrix {

/// A scripted desktop for window tests: file dialogs and questions answer from queues
/// (an empty queue answers "cancel" / "no"), and everything shown is recorded.
class FakePlatform final : public Platform {
public:
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<bool> yesNoAnswers;
    /// Indexes of the answers askChoice gives; an empty queue closes the question (-1).
    std::deque<int> choiceAnswers;
    std::deque<bool> dialogAnswers;
    /// Sees (and may fill in) each of the program's dialogs before it is answered.
    std::function<void(QDialog*)> onDialog;

    std::vector<FileDialogOptions> openRequests;
    std::vector<FileDialogOptions> saveRequests;
    QStringList questions; ///< texts of the askChoice questions, with the answers after " | "
    QStringList messages;
    QStringList errors;
    QStringList opened;
    QStringList dialogs; ///< objectNames of the dialogs run
    int beeps = 0;
    int sleptMs = 0;
    bool busy = false;
    bool hasViewer = true; ///< whether openExternal finds a program

    QString openFileName(QWidget*, const FileDialogOptions& options) override {
        openRequests.push_back(options);
        return Next(openAnswers);
    }
    QString saveFileName(QWidget*, const FileDialogOptions& options) override {
        saveRequests.push_back(options);
        return Next(saveAnswers);
    }
    bool askYesNo(QWidget*, const QString&, const QString&) override {
        if (yesNoAnswers.empty()) return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    int askChoice(QWidget*, const QString&, const QString& text, const QStringList& answers) override {
        questions << text + " | " + answers.join(" / ");
        if (choiceAnswers.empty()) return -1;
        const int answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }
    void showMessage(QWidget*, const QString& text) override { messages << text; }
    void showError(QWidget*, const QString& text) override { errors << text; }
    void beep() override { ++beeps; }
    void setBusyCursor(bool value) override { busy = value; }
    bool isBusyCursor() const override { return busy; }
    bool openExternal(const QString& pathOrUrl) override {
        opened << pathOrUrl;
        return hasViewer;
    }
    void sleepMs(int milliseconds) override { sleptMs += milliseconds; }
    bool runDialog(QDialog* dialog) override {
        dialogs << dialog->objectName();
        if (onDialog) onDialog(dialog);
        if (dialogAnswers.empty()) return false;
        const bool answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer;
    }

private:
    static QString Next(std::deque<QString>& queue) {
        if (queue.empty()) return QString();
        QString answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

} // namespace deptrix
