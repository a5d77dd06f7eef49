#pragma once

#include "core/LayerDepthMap.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

namespace deptrix {

/// "Depth map": how a chosen picture becomes a layer's depth: for a PSD or PSB its
/// merged picture or one of its layers, stretched over the layer or the whole
/// document, near light or near dark, and the range of its values that becomes the
/// depth levels 0..255.
class DepthMapDialog : public QDialog {
    Q_OBJECT
public:
    /// `psdLayers`: the layer names of a PSD or PSB picture, topmost first; empty for
    /// other pictures. `language` 1 shows the Chinese texts.
    DepthMapDialog(const QString& title, const QString& pictureName, const QStringList& psdLayers,
        const DepthMapOptions& options, int language, QWidget* parent = nullptr);

    DepthMapOptions options() const;
    /// The PSD layer chosen; empty for the merged picture.
    QString psdLayer() const;

private:
    void keepRangeOrdered();

    QComboBox* m_psdLayer = nullptr;
    QComboBox* m_fit;
    QCheckBox* m_invert;
    QDoubleSpinBox* m_black;
    QDoubleSpinBox* m_white;
};

} // namespace deptrix
