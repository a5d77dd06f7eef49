#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace deptrix {

class Panel;
class RadioGroup;

/// The controls of the "DrawLine" tab: the outline settings panel (`Panel2`) with the
/// layer's depth (`Edit1`) and smoothness (`TrackBar2`), the "Order" choice
/// (`RadioGroup2`) with its "View" check boxes (`CheckBox1`..`CheckBox15`) and marker
/// bar (`Panel4`), the base order (`TrackBar3` in "Layer0"), the single-layer
/// "Preview" and "Stop" buttons, and the layer's depth map: shown, loaded from a
/// picture or cleared.
class OutlinePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOrders = 15;

    explicit OutlinePanel(QWidget* parent = nullptr);

    QLineEdit* depthField() const { return m_depthField; }
    QLabel* depthLabel() const { return m_depthLabel; }
    QSlider* smoothnessSlider() const { return m_smoothnessSlider; }
    QSlider* baseOrderSlider() const { return m_baseOrderSlider; }
    RadioGroup* orderChoice() const { return m_orderChoice; }
    const std::array<QCheckBox*, kOrders>& orderViewBoxes() const { return m_orderViewBoxes; }
    Panel* orderMarker() const { return m_orderMarker; }
    QPushButton* previewButton() const { return m_previewButton; }
    QPushButton* stopButton() const { return m_stopButton; }
    QPushButton* depthMapButton() const { return m_depthMapButton; }
    QPushButton* loadDepthMapButton() const { return m_loadDepthMapButton; }
    QPushButton* clearDepthMapButton() const { return m_clearDepthMapButton; }
    Panel* settingsPanel() const { return m_settingsPanel; }

    /// Moves the marker bar beside order index `order` (0..14).
    void placeMarker(int order);

private:
    void assignObjectNames();

    Panel* m_settingsPanel;
    QLabel* m_depthLabel;
    QLineEdit* m_depthField;
    QLabel* m_smoothnessLabel;
    QSlider* m_smoothnessSlider;
    Panel* m_viewHeading;
    std::array<QCheckBox*, kOrders> m_orderViewBoxes {};
    RadioGroup* m_orderChoice;
    QLabel* m_nearLabel;
    QLabel* m_farLabel;
    Panel* m_orderMarker;
    Panel* m_backPanel;
    QGroupBox* m_baseOrderGroup;
    QSlider* m_baseOrderSlider;
    QPushButton* m_previewButton;
    QPushButton* m_stopButton;
    QPushButton* m_depthMapButton;
    QPushButton* m_loadDepthMapButton;
    QPushButton* m_clearDepthMapButton;
};

} // namespace deptrix
