#include "app/OutlinePanel.h"

#include "app/Controls.h"
#include "app/Icons.h"

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

QLabel* Caption(const char* caption, const char* hint, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setToolTip(QString::fromUtf8(hint));
    return label;
}

} // namespace

OutlinePanel::OutlinePanel(QWidget* parent)
    : QWidget(parent) {
    m_settingsPanel = new Panel(QString(), this);
    m_settingsPanel->setFrameStyle(QFrame::NoFrame);

    m_depthField = new QLineEdit("1.0", m_settingsPanel);
    m_smoothnessSlider = new QSlider(Qt::Horizontal, m_settingsPanel);
    m_smoothnessSlider->setRange(1, 9);
    m_smoothnessSlider->setValue(5);
    m_smoothnessSlider->setTickPosition(QSlider::TicksBelow);

    auto* top = new QGridLayout;
    m_depthLabel = Caption("Depth:", "景深", m_settingsPanel);
    top->addWidget(m_depthLabel, 0, 0);
    top->addWidget(m_depthField, 0, 1);
    m_smoothnessLabel = Caption("Smooth:", "边界光滑度:", m_settingsPanel);
    top->addWidget(m_smoothnessLabel, 1, 0);
    top->addWidget(m_smoothnessSlider, 1, 1);

    // The order column is laid out on a fixed pitch so the marker bar can sit beside
    // the current order: order index k is at kFirstRowTop + k * kRowPitch.
    auto* orders = new QWidget(m_settingsPanel);
    orders->setFixedHeight(kFirstRowTop + (kOrders + 1) * kRowPitch + 8);
    m_viewHeading = new Panel("View", orders);
    m_viewHeading->setToolTip(QString::fromUtf8("显示"));
    m_viewHeading->setGeometry(0, kFirstRowTop - kRowPitch, 40, kRowPitch - 2);
    for (int i = 0; i < kOrders; ++i) {
        auto* box = new QCheckBox(orders);
        box->setChecked(true);
        box->setGeometry(12, kFirstRowTop + i * kRowPitch, 22, kRowPitch);
        m_orderViewBoxes[static_cast<size_t>(i)] = box;
    }
    QStringList items;
    for (int i = 1; i <= kOrders; ++i) items << QString::number(i);
    items << QString();
    m_orderChoice = new RadioGroup("Order", items, 1, orders);
    m_orderChoice->setToolTip(QString::fromUtf8("层次"));
    m_orderChoice->layout()->setSpacing(0);
    m_orderChoice->layout()->setContentsMargins(4, 0, 4, 0);
    for (QRadioButton* button : m_orderChoice->findChildren<QRadioButton*>())
        button->setFixedHeight(kRowPitch);
    m_orderChoice->setGeometry(44, kFirstRowTop - kRowPitch, 84, (kOrders + 2) * kRowPitch);
    m_orderChoice->setItemIndex(0);
    // The ends of the order column say which way is near: Order 1 covers the others.
    const auto endLabel = [&](const char* caption, const char* hint, int order) {
        QLabel* label = Caption(caption, hint, orders);
        QFont small = label->font();
        small.setItalic(true);
        label->setFont(small);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setGeometry(88, kFirstRowTop + order * kRowPitch, 38, kRowPitch);
        label->raise();
        return label;
    };
    m_nearLabel = endLabel("near", "近", 0);
    m_farLabel = endLabel("far", "远", kOrders - 1);
    m_orderMarker = new Panel(QString(), orders);
    m_orderMarker->setStyleSheet("background: rgb(220, 40, 40);");
    m_orderMarker->setGeometry(130, kFirstRowTop, 8, kRowPitch - 4);
    m_backPanel = new Panel("Back", orders);
    m_backPanel->setToolTip(QString::fromUtf8("背景"));
    m_backPanel->setGeometry(0, kFirstRowTop + kOrders * kRowPitch, 40, kRowPitch - 2);

    m_baseOrderGroup = new QGroupBox("Layer0", orders);
    m_baseOrderGroup->setToolTip(QString::fromUtf8("基准层"));
    m_baseOrderSlider = new QSlider(Qt::Vertical, m_baseOrderGroup);
    m_baseOrderSlider->setToolTip("basic layer select");
    m_baseOrderSlider->setRange(0, 15);
    m_baseOrderSlider->setValue(7);
    m_baseOrderSlider->setInvertedAppearance(true);
    m_baseOrderSlider->setTickPosition(QSlider::TicksRight);
    auto* baseLayout = new QVBoxLayout(m_baseOrderGroup);
    baseLayout->addWidget(m_baseOrderSlider);
    m_baseOrderGroup->setGeometry(140, kFirstRowTop - kRowPitch, 56, (kOrders + 2) * kRowPitch);

    auto* settingsLayout = new QVBoxLayout(m_settingsPanel);
    settingsLayout->addLayout(top);
    settingsLayout->addWidget(orders);

    m_previewButton = new QPushButton("Preview", this);
    m_previewButton->setToolTip(QString::fromUtf8("单层预览"));
    m_stopButton = new QPushButton("Stop", this);
    m_stopButton->setToolTip(QString::fromUtf8("停止"));
    m_stopButton->setEnabled(false);
    m_depthMapButton = new QPushButton("Depth map", this);
    m_depthMapButton->setToolTip(QString::fromUtf8("深度图"));
    m_loadDepthMapButton = new QPushButton(ToolIcon("load-depth-map"), "Load depth map...", this);
    m_loadDepthMapButton->setToolTip(QString::fromUtf8("载入深度图..."));
    m_clearDepthMapButton = new QPushButton(ToolIcon("clear-depth-map"), "Clear depth map", this);
    m_clearDepthMapButton->setToolTip(QString::fromUtf8("清除深度图"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_previewButton);
    buttons->addWidget(m_stopButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_settingsPanel);
    layout->addLayout(buttons);
    layout->addWidget(m_depthMapButton);
    // One a row: side by side their captions are cut in a narrow panel.
    layout->addWidget(m_loadDepthMapButton);
    layout->addWidget(m_clearDepthMapButton);
    layout->addStretch(1);
    assignObjectNames();
}

void OutlinePanel::assignObjectNames() {
    m_settingsPanel->setObjectName("Panel2");
    m_depthLabel->setObjectName("Label22");
    m_depthField->setObjectName("Edit1");
    m_smoothnessLabel->setObjectName("Label21");
    m_smoothnessSlider->setObjectName("TrackBar2");
    m_viewHeading->setObjectName("Panel3");
    for (size_t i = 0; i < m_orderViewBoxes.size(); ++i)
        m_orderViewBoxes[i]->setObjectName(QString("CheckBox%1").arg(i + 1));
    m_orderChoice->setObjectName("RadioGroup2");
    m_nearLabel->setObjectName("NearLabel");
    m_farLabel->setObjectName("FarLabel");
    m_orderMarker->setObjectName("Panel4");
    m_backPanel->setObjectName("Panel6");
    m_baseOrderGroup->setObjectName("GroupBox5");
    m_baseOrderSlider->setObjectName("TrackBar3");
    m_previewButton->setObjectName("BitBtn5");
    m_stopButton->setObjectName("BitBtn6");
    m_depthMapButton->setObjectName("DepthMapButton");
    m_loadDepthMapButton->setObjectName("LoadDepthMapButton");
    m_clearDepthMapButton->setObjectName("ClearDepthMapButton");
}

void OutlinePanel::placeMarker(int order) {
    m_orderMarker->move(m_orderMarker->x(), order * kRowPitch + kFirstRowTop);
}

} // namespace deptrix
