#include "app/DepthMapDialog.h"

#include "app/DecimalSpinBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace deptrix {

namespace {

/// English and Chinese.
QString Text(int language, const char* english, const char* chinese) {
    return language == 1 ? QString::fromUtf8(chinese) : QString::fromUtf8(english);
}

QDoubleSpinBox* Level(const char* name, Fixed value) {
    auto* spin = new DecimalSpinBox;
    spin->setObjectName(name);
    spin->setRange(0, 255);
    spin->setDecimals(2);
    spin->setValue(static_cast<double>(FromFixed(value)));
    return spin;
}

} // namespace

DepthMapDialog::DepthMapDialog(const QString& title, const QString& pictureName, const QStringList& psdLayers,
    const DepthMapOptions& options, int language, QWidget* parent)
    : QDialog(parent) {
    setObjectName("DepthMapDialog");
    setWindowTitle(title);
    auto* form = new QFormLayout;
    auto* picture = new QLabel(pictureName);
    picture->setObjectName("DepthMapPicture");
    form->addRow(Text(language, "Picture:", "图片:"), picture);
    if (!psdLayers.isEmpty()) {
        m_psdLayer = new QComboBox;
        m_psdLayer->setObjectName("DepthMapPsdLayer");
        m_psdLayer->addItem(Text(language, "(merged picture)", "(合并图像)"));
        m_psdLayer->addItems(psdLayers);
        form->addRow(Text(language, "PSD layer:", "PSD图层:"), m_psdLayer);
    }
    m_fit = new QComboBox;
    m_fit->setObjectName("DepthMapFit");
    m_fit->addItem(Text(language, "the layer", "本图层"));
    m_fit->addItem(Text(language, "the whole document", "整个文档"));
    m_fit->setCurrentIndex(options.wholeDocument ? 1 : 0);
    form->addRow(Text(language, "Stretch over:", "拉伸到:"), m_fit);
    m_invert = new QCheckBox(Text(language, "Near is dark (invert)", "近处为暗(反相)"));
    m_invert->setObjectName("DepthMapInvert");
    m_invert->setChecked(options.invert);
    form->addRow(QString(), m_invert);
    m_black = Level("DepthMapBlackPoint", options.blackPoint);
    m_white = Level("DepthMapWhitePoint", options.whitePoint);
    form->addRow(Text(language, "Black point (farthest):", "黑点(最远):"), m_black);
    form->addRow(Text(language, "White point (nearest):", "白点(最近):"), m_white);
    connect(m_black, &QDoubleSpinBox::editingFinished, this, &DepthMapDialog::keepRangeOrdered);
    connect(m_white, &QDoubleSpinBox::editingFinished, this, &DepthMapDialog::keepRangeOrdered);

    auto* hint = new QLabel(Text(language,
        "Light is near, dark is far. The map becomes the layer's depth as outlines do: the layer's depth, "
        "its base order and the depth factor act on it.",
        "亮为近,暗为远。深度图如勾线一样成为图层的深度:图层的深度、基准层和深度系数同样起作用。"));
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(language, "Load", "载入"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(language, "Cancel", "取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    setMinimumWidth(400);
}

void DepthMapDialog::keepRangeOrdered() {
    // The black point stays below the white point: the other point moves out of the way.
    if (m_black->value() < m_white->value()) return;
    if (sender() == m_black)
        m_white->setValue(std::min(255.0, m_black->value() + 1));
    else
        m_black->setValue(std::max(0.0, m_white->value() - 1));
    if (m_black->value() >= m_white->value()) m_black->setValue(m_white->value() - 1);
}

DepthMapOptions DepthMapDialog::options() const {
    DepthMapOptions options;
    options.wholeDocument = m_fit->currentIndex() == 1;
    options.invert = m_invert->isChecked();
    options.blackPoint = ToFixed(m_black->value());
    options.whitePoint = ToFixed(m_white->value());
    return options;
}

QString DepthMapDialog::psdLayer() const {
    return m_psdLayer && m_psdLayer->currentIndex() > 0 ? m_psdLayer->currentText() : QString();
}

} // namespace deptrix
