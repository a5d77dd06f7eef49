// Building the controls of the main window and wiring them to their commands.

#include "app/Controls.h"
#include "app/Icons.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlinePanel.h"
#include "app/ParameterPanel.h"
#include "app/StatusPanels.h"
#include "app/Viewport.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace deptrix {

QToolButton* TForm1::addSpeedButton(
    QToolBar* bar, int number, const char* icon, const char* hint, bool shown) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString("SpeedButton%1").arg(number));
    button->setIcon(ToolIcon(icon));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    // Hidden buttons stay children of the bar without a place in it.
    if (shown)
        bar->addWidget(button);
    else
        button->hide();
    m_speedButtons.insert(number, button);
    return button;
}

QToolButton* TForm1::speedButton(int number) const {
    return m_speedButtons.value(number);
}

void TForm1::createToolBars() {
    m_toolBar1 = addToolBar("Tools");
    m_toolBar1->setObjectName("ToolBar1");
    m_toolBar1->setMovable(false);
    m_toolBar1->setIconSize(QSize(24, 24));
    addSpeedButton(m_toolBar1, 12, "open-project", "Open project");
    addSpeedButton(m_toolBar1, 15, "save-project", "Save project")->setEnabled(false);
    addSpeedButton(m_toolBar1, 1, "import", "Import psd file");
    m_toolBar1->addSeparator();
    addSpeedButton(m_toolBar1, 3, "zoom-in", "Zoom in")->setEnabled(false);
    addSpeedButton(m_toolBar1, 4, "zoom-out", "Zoom out")->setEnabled(false);
    m_toolBar1->addSeparator();
    addSpeedButton(m_toolBar1, 10, "undo-point", "Delete point")->setEnabled(false);
    addSpeedButton(m_toolBar1, 6, "delete-line", "delete line")->setEnabled(false);
    addSpeedButton(m_toolBar1, 7, "delete-order", "delete layer")->setEnabled(false);
    addSpeedButton(m_toolBar1, 8, "delete-all", "delete all")->setEnabled(false);
    m_toolBar1->addSeparator();
    addSpeedButton(m_toolBar1, 9, "preview", "Preview")->setEnabled(false);
    addSpeedButton(m_toolBar1, 2, "stop", "Stop")->setEnabled(false);
    addSpeedButton(m_toolBar1, 29, "export-tiff", "Export tiff file")->setEnabled(false);
    addSpeedButton(m_toolBar1, 30, "print", "Print", false);
    m_toolBar1->addSeparator();
    addSpeedButton(m_toolBar1, 13, "begin-line", "Begin Line")->setEnabled(false);
    addSpeedButton(m_toolBar1, 5, "glasses", "Red/blue glasses preview")->setEnabled(false);
    QToolButton* language = addSpeedButton(m_toolBar1, 14, "language", "", false);
    language->setText("Chinese");
    addSpeedButton(m_toolBar1, 11, "stereo", "", false)->setEnabled(false);

    auto* spacer = new QWidget(m_toolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar1->addWidget(spacer);
    m_helpButton = new QPushButton(QString::fromUtf8("？"), m_toolBar1);
    m_helpButton->setObjectName("Button5");
    m_helpButton->setToolTip("Help");
    m_helpButton->setFixedWidth(40);
    m_toolBar1->addWidget(m_helpButton);

    m_toolBar2 = new QToolBar("Outline tools", this);
    m_toolBar2->setObjectName("ToolBar2");
    m_toolBar2->setMovable(false);
    m_toolBar2->setIconSize(QSize(24, 24));
    addToolBar(Qt::LeftToolBarArea, m_toolBar2);
    struct ToolDef {
        int number;
        const char* icon;
        const char* hint;
        bool checkable;
    };
    const ToolDef tools[] = {
        { 1, "draw-line", "Draw Line", true },
        { 2, "add-point", "Add Point", true },
        { 3, "delete-point", "Delete Point", true },
        { 4, "move-line", "Move Line", true },
        { 5, "move-point", "Move Point", true },
        { 8, "order-down", "Move to down Layer", false },
        { 7, "order-up", "Move to up layer", false },
        { 9, "cut", "Cut", false },
        { 10, "paste", "Pastup", false },
    };
    auto* choice = new QButtonGroup(m_toolBar2);
    choice->setExclusive(true);
    for (const ToolDef& def : tools) {
        auto* button = new QToolButton(m_toolBar2);
        button->setObjectName(QString("ToolButton%1").arg(def.number));
        button->setIcon(ToolIcon(def.icon));
        button->setToolTip(def.hint);
        button->setCheckable(def.checkable);
        button->setAutoRaise(true);
        if (def.checkable) choice->addButton(button);
        m_toolBar2->addWidget(button);
        if (def.number == 5) m_toolBar2->addSeparator();
    }
    m_toolBar2->findChild<QToolButton*>("ToolButton1")->setChecked(true);
    m_toolBar2->findChild<QToolButton*>("ToolButton10")->setEnabled(false);
    m_toolBar2->hide();
}

void TForm1::createRightPanel() {
    m_rightPanel = new QGroupBox;
    m_rightPanel->setObjectName("GroupBox2");
    m_rightPanel->setFixedWidth(230);
    m_pageControl1 = new QTabWidget(m_rightPanel);
    m_pageControl1->setObjectName("PageControl1");
    m_pageControl1->setDocumentMode(true);
    m_setLayerTab = new TabSheet(m_pageControl1, "SetLayer", QString::fromUtf8("多层设置"));
    m_setLayerTab->setObjectName("TabSheet1");
    m_drawLineTab = new TabSheet(m_pageControl1, "DrawLine", QString::fromUtf8("单层勾线"));
    m_drawLineTab->setObjectName("TabSheet2");

    m_layerPanel = new LayerPanel(m_setLayerTab);
    m_parameters = new ParameterPanel(m_doc, *m_layerPanel, m_guard);
    m_layerPanel->pageArea()->addWidget(m_parameters);
    auto* setLayerLayout = new QVBoxLayout(m_setLayerTab);
    setLayerLayout->setContentsMargins(0, 0, 0, 0);
    setLayerLayout->addWidget(m_layerPanel);

    m_outlinePanel = new OutlinePanel(m_drawLineTab);
    auto* drawLineLayout = new QVBoxLayout(m_drawLineTab);
    drawLineLayout->setContentsMargins(0, 0, 0, 0);
    drawLineLayout->addWidget(m_outlinePanel);

    auto* rightLayout = new QVBoxLayout(m_rightPanel);
    rightLayout->setContentsMargins(2, 2, 2, 2);
    rightLayout->addWidget(m_pageControl1);
    m_rightPanel->setEnabled(false);
}

void TForm1::createHiddenControls() {
    // The picture facts of an import, kept for their texts; the status bar shows them.
    m_infoBox = new QGroupBox("Info", this);
    m_infoBox->setObjectName("GroupBox1");
    auto* infoLayout = new QGridLayout(m_infoBox);
    const char* facts[] = { "Mode:", "Layers:", "DPI：", "Width:", "Height:" };
    int row = 0;
    for (const char* fact : facts) {
        infoLayout->addWidget(new QLabel(QString::fromUtf8(fact)), row, 0);
        auto* value = new QLabel;
        value->setObjectName(QString("InfoValue%1").arg(row));
        infoLayout->addWidget(value, row, 1);
        m_infoValues.insert(QString::fromUtf8(fact), value);
        ++row;
    }
    m_infoBox->hide();

    // The hidden left panel with the playback speed.
    auto* speedPanel = new Panel(QString(), this);
    speedPanel->setObjectName("Panel5");
    m_speedTrack = new QSlider(Qt::Horizontal, speedPanel);
    m_speedTrack->setObjectName("TrackBar1");
    m_speedTrack->setRange(1, 11);
    m_speedTrack->setValue(6);
    speedPanel->hide();

    m_hiddenImport = new QPushButton(QString::fromUtf8("开图"), this);
    m_hiddenImport->setObjectName("BitBtn1");
    m_hiddenImport->hide();
    m_hiddenPreview = new QPushButton(QString::fromUtf8("预览"), this);
    m_hiddenPreview->setObjectName("BitBtn2");
    m_hiddenPreview->setEnabled(false);
    m_hiddenPreview->hide();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(50);
    m_timer1->start(); // created enabled: it ticks once, then waits for a loop to need it
}

void TForm1::createControls() {
    setObjectName("Form1");
    setWindowTitle("Deptrix 10.0");
    m_menu = new MainMenu(this);
    createToolBars();
    createRightPanel();

    auto* centre = new QWidget;
    centre->setObjectName("Panel1");
    m_viewport = new Viewport(centre);
    m_progress = new QProgressBar(centre);
    m_progress->setObjectName("ProgressBar1");
    m_progress->setOrientation(Qt::Vertical);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(10);
    auto* centreLayout = new QHBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(2);
    centreLayout->addWidget(m_progress);
    centreLayout->addWidget(m_viewport, 1);

    auto* body = new QWidget;
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(2, 2, 2, 2);
    bodyLayout->addWidget(centre, 1);
    bodyLayout->addWidget(m_rightPanel);
    setCentralWidget(body);

    m_status = new StatusPanels(this);
    setStatusBar(m_status);
    createHiddenControls();
    connectCommands();
}

void TForm1::connectCommands() {
    // Every command runs inside the guard, which shows any error it raises.
    auto wire = [this](auto* sender, auto signal, void (TForm1::*slot)()) {
        connect(sender, signal, this, [this, slot] { m_guard.run([this, slot] { (this->*slot)(); }); });
    };
    auto menuEntry = [&](const char* name, void (TForm1::*slot)()) {
        wire(m_menu->action(name), &QAction::triggered, slot);
    };
    auto button
        = [&](int number, void (TForm1::*slot)()) { wire(speedButton(number), &QToolButton::clicked, slot); };
    auto tool = [&](const char* name, void (TForm1::*slot)()) {
        wire(m_toolBar2->findChild<QToolButton*>(name), &QToolButton::clicked, slot);
    };

    menuEntry("Openproject1", &TForm1::Openproject1Click);
    button(12, &TForm1::Openproject1Click);
    menuEntry("N6", &TForm1::SpeedButton1Click);
    button(1, &TForm1::SpeedButton1Click);
    wire(m_hiddenImport, &QPushButton::clicked, &TForm1::SpeedButton1Click);
    menuEntry("Opensettingsdefault1", &TForm1::Opensettingsdefault1Click);
    menuEntry("N3", &TForm1::N3Click);
    menuEntry("N18", &TForm1::N18Click);
    button(9, &TForm1::SpeedButton9Click);
    wire(m_hiddenPreview, &QPushButton::clicked, &TForm1::SpeedButton9Click);
    menuEntry("N25", &TForm1::N25Click);
    button(2, &TForm1::SpeedButton2Click);
    menuEntry("N26", &TForm1::N26Click);
    button(5, &TForm1::SpeedButton5Click);
    menuEntry("Stereopair1", &TForm1::SpeedButton11Click);
    button(11, &TForm1::SpeedButton11Click);
    menuEntry("ExportGif1", &TForm1::ExportGif1Click);
    menuEntry("N9", &TForm1::N9Click);

    menuEntry("N23", &TForm1::SpeedButton13Click);
    button(13, &TForm1::SpeedButton13Click);
    menuEntry("N14", &TForm1::SpeedButton10Click);
    button(10, &TForm1::SpeedButton10Click);
    menuEntry("N11", &TForm1::SpeedButton6Click);
    button(6, &TForm1::SpeedButton6Click);
    menuEntry("N12", &TForm1::SpeedButton7Click);
    button(7, &TForm1::SpeedButton7Click);
    menuEntry("N13", &TForm1::SpeedButton8Click);
    button(8, &TForm1::SpeedButton8Click);
    menuEntry("DeleteSelect1", &TForm1::DeleteSelect1Click);
    menuEntry("SelectAll1", &TForm1::SelectAll1Click);
    menuEntry("FreeTransition1", &TForm1::FreeTransition1Click);
    menuEntry("Cut1", &TForm1::ToolButton9Click);
    tool("ToolButton9", &TForm1::ToolButton9Click);
    menuEntry("Pastup1", &TForm1::ToolButton10Click);
    tool("ToolButton10", &TForm1::ToolButton10Click);
    tool("ToolButton8", &TForm1::ToolButton8Click);
    tool("ToolButton7", &TForm1::ToolButton7Click);

    menuEntry("N16", &TForm1::SpeedButton3Click);
    button(3, &TForm1::SpeedButton3Click);
    menuEntry("N17", &TForm1::SpeedButton4Click);
    button(4, &TForm1::SpeedButton4Click);
    menuEntry("Showgrouptiff1", &TForm1::Showgrouptiff1Click);

    menuEntry("N21", &TForm1::N21Click);
    wire(m_helpButton, &QPushButton::clicked, &TForm1::N21Click);
    menuEntry("N22", &TForm1::N22Click);
    menuEntry("Weblink1", &TForm1::Weblink1Click);
    wire(m_layerPanel, &LayerPanel::linkClicked, &TForm1::Weblink1Click);
    menuEntry("Languages1", &TForm1::Languages1Click);
    button(14, &TForm1::Languages1Click);

    wire(m_layerPanel->layerView(), &RadioGroup::itemIndexChanged, &TForm1::RadioGroup1Click);
    wire(m_layerPanel->grid(), &QTableWidget::cellClicked, &TForm1::StringGrid1Click);
    connect(m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(m_speedTrack, &QSlider::valueChanged, this,
        [this](int position) { m_timer1->setInterval(position * 10); });
    connect(
        m_parameters, &ParameterPanel::glassesOutdated, this, [this] { speedButton(5)->setEnabled(false); });
    connect(m_outlinePanel->orderGroup(), &RadioGroup::itemIndexChanged, this, [this](int index) {
        // The empty last item stands for the last order.
        if (index == OutlinePanel::kOrders) {
            m_outlinePanel->orderGroup()->setItemIndex(OutlinePanel::kOrders - 1);
            return;
        }
        if (index < 0) return;
        m_doc.CurOrder = static_cast<std::uint8_t>(index);
        m_outlinePanel->placeMarker(index);
    });
}

} // namespace deptrix
