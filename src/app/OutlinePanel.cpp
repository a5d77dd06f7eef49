#include "app/OutlinePanel.h"

#include "app/Controls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace deptrix {

namespace {

constexpr int kRowPitch = 22; // one order per row
constexpr int kFirstRowTop = 44;

QLabel* Caption(const char* name, const char* caption, const char* hint, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    label->setToolTip(QString::fromUtf8(hint));
    return label;
}

} // namespace

OutlinePanel::OutlinePanel(QWidget* parent)
    : QWidget(parent) {
    auto* settings = new Panel(QString(), this);
    settings->setObjectName("Panel2");
    settings->setFrameStyle(QFrame::NoFrame);

    m_depth = new QLineEdit("1.0", settings);
    m_depth->setObjectName("Edit1");
    m_smooth = new QSlider(Qt::Horizontal, settings);
    m_smooth->setObjectName("TrackBar2");
    m_smooth->setRange(1, 9);
    m_smooth->setValue(5);
    m_smooth->setTickPosition(QSlider::TicksBelow);

    auto* top = new QGridLayout;
    top->addWidget(Caption("Label22", "Depth:", "景深", settings), 0, 0);
    top->addWidget(m_depth, 0, 1);
    top->addWidget(Caption("Label21", "Smooth:", "边界光滑度:", settings), 1, 0);
    top->addWidget(m_smooth, 1, 1);

    // The order column is laid out on a fixed pitch so the marker bar can sit beside
    // the current order: order index k is at kFirstRowTop + k * kRowPitch.
    auto* orders = new QWidget(settings);
    orders->setFixedHeight(kFirstRowTop + (kOrders + 1) * kRowPitch + 8);
    auto* viewHeading = new Panel("View", orders);
    viewHeading->setObjectName("Panel3");
    viewHeading->setGeometry(0, kFirstRowTop - kRowPitch, 40, kRowPitch - 2);
    for (int i = 0; i < kOrders; ++i) {
        auto* box = new QCheckBox(orders);
        box->setObjectName(QString("CheckBox%1").arg(i + 1));
        box->setChecked(true);
        box->setGeometry(12, kFirstRowTop + i * kRowPitch, 22, kRowPitch);
        m_viewBoxes[static_cast<size_t>(i)] = box;
    }
    QStringList items;
    for (int i = 1; i <= kOrders; ++i) items << QString::number(i);
    items << QString();
    m_order = new RadioGroup("Order", items, 1, orders);
    m_order->setObjectName("RadioGroup2");
    m_order->layout()->setSpacing(0);
    m_order->layout()->setContentsMargins(4, 0, 4, 0);
    for (QRadioButton* button : m_order->findChildren<QRadioButton*>()) button->setFixedHeight(kRowPitch);
    m_order->setGeometry(44, kFirstRowTop - kRowPitch, 64, (kOrders + 2) * kRowPitch);
    m_order->setItemIndex(0);
    m_marker = new Panel(QString(), orders);
    m_marker->setObjectName("Panel4");
    m_marker->setStyleSheet("background: rgb(220, 40, 40);");
    m_marker->setGeometry(110, kFirstRowTop, 8, kRowPitch - 4);
    auto* back = new Panel("Back", orders);
    back->setObjectName("Panel6");
    back->setToolTip(QString::fromUtf8("背景"));
    back->setGeometry(0, kFirstRowTop + kOrders * kRowPitch, 40, kRowPitch - 2);

    auto* baseGroup = new QGroupBox("Layer0", orders);
    baseGroup->setObjectName("GroupBox5");
    m_baseOrder = new QSlider(Qt::Vertical, baseGroup);
    m_baseOrder->setObjectName("TrackBar3");
    m_baseOrder->setToolTip("basic layer select");
    m_baseOrder->setRange(0, 15);
    m_baseOrder->setValue(7);
    m_baseOrder->setInvertedAppearance(true);
    m_baseOrder->setTickPosition(QSlider::TicksRight);
    auto* baseLayout = new QVBoxLayout(baseGroup);
    baseLayout->addWidget(m_baseOrder);
    baseGroup->setGeometry(126, kFirstRowTop - kRowPitch, 64, (kOrders + 2) * kRowPitch);

    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->addLayout(top);
    settingsLayout->addWidget(orders);

    m_preview = new QPushButton("Preview", this);
    m_preview->setObjectName("BitBtn5");
    m_preview->setToolTip(QString::fromUtf8("单层预览"));
    m_stop = new QPushButton("Stop", this);
    m_stop->setObjectName("BitBtn6");
    m_stop->setToolTip(QString::fromUtf8("停止"));
    m_stop->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_preview);
    buttons->addWidget(m_stop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(settings);
    layout->addLayout(buttons);
    layout->addStretch(1);
}

void OutlinePanel::placeMarker(int order) {
    m_marker->move(m_marker->x(), order * kRowPitch + kFirstRowTop);
}

} // namespace deptrix
