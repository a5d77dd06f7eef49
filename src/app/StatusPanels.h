#pragma once

#include <QStatusBar>
#include <vector>

class QLabel;

namespace deptrix {

/// The status bar (`StatusBar1`) with its eleven text panels:
/// 0 brand, 1 "Original info", 2 "Size (cm):", 3 size, 4 "DPI:", 5 resolution,
/// 6 "Color:", 7 colour, 8 "Layers:", 9 layer count, 10 the prompt.
class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kPanelCount = 11;
    static constexpr int kPromptPanel = 10;

    explicit StatusPanels(QWidget* parent = nullptr);
    QString text(int panel) const;
    void setText(int panel, const QString& text);

private:
    std::vector<QLabel*> m_panels;
};

} // namespace deptrix
