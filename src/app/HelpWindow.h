#pragma once

#include <QWidget>

namespace deptrix {

class Platform;

/// The help window (`TForm2`, caption "Help"): a read-only description of the two ways
/// of working and a picture that opens the product's web page.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(Platform& platform, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Platform& m_platform;
    QWidget* m_picture;
};

} // namespace deptrix
