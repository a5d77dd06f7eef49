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
/// bar (`Panel4`), the base order (`TrackBar3` in "Layer0"), and the single-layer
/// "Preview" and "Stop" buttons.
class OutlinePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOrders = 15;

    explicit OutlinePanel(QWidget* parent = nullptr);

    QLineEdit* depthField() const { return m_depth; }
    QSlider* smoothTrack() const { return m_smooth; }
    QSlider* baseOrderTrack() const { return m_baseOrder; }
    RadioGroup* orderGroup() const { return m_order; }
    const std::array<QCheckBox*, kOrders>& orderViewBoxes() const { return m_viewBoxes; }
    Panel* marker() const { return m_marker; }
    QPushButton* previewButton() const { return m_preview; }
    QPushButton* stopButton() const { return m_stop; }

    /// Moves the marker bar beside order index `order` (0..14).
    void placeMarker(int order);

private:
    QLineEdit* m_depth;
    QSlider* m_smooth;
    QSlider* m_baseOrder;
    RadioGroup* m_order;
    std::array<QCheckBox*, kOrders> m_viewBoxes {};
    Panel* m_marker;
    QPushButton* m_preview;
    QPushButton* m_stop;
};

} // namespace deptrix
