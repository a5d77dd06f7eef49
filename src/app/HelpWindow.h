#pragma once

#include <QWidget>

class QTextBrowser;

namespace deptrix {

class Platform;

/// The help window (`TForm2`, caption "Help"): how to do the job, section by section
/// with small pictures, and a picture that opens the product's web page. It follows
/// the window's language.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(Platform& platform, int language, QWidget* parent = nullptr);

    void setLanguage(int language);
    QTextBrowser* text() const { return m_text; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Platform& m_platform;
    QTextBrowser* m_text;
    QWidget* m_picture;
};

} // namespace deptrix
