// Building the controls of the main window and wiring them to their commands.

#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/Icons.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/OutlinePanel.h"
#include "app/ParameterPanel.h"
#include "app/Platform.h"
#include "app/StatusPanels.h"
#include "app/Texts.h"
#include "app/Viewport.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace deptrix {

QToolButton* MainWindow::addToolButton(QToolBar* bar, const char* icon, const char* hint, bool shown) {
    auto* button = new QToolButton(bar);
    button->setIcon(ToolIcon(icon));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    // Hidden buttons stay children of the bar without a place in it.
    if (shown)
        bar->addWidget(button);
    else
        button->hide();
    return button;
}

void MainWindow::createToolBars() {
    m_mainToolBar = addToolBar("Tools");
    m_mainToolBar->setMovable(false);
    m_mainToolBar->setIconSize(QSize(24, 24));
    m_openProjectButton = addToolButton(m_mainToolBar, "open-project", "Open project");
    m_saveProjectButton = addToolButton(m_mainToolBar, "save-project", "Save project");
    // The button is the menu entry's: one command, enabled in one place.
    QAction* save = m_menu->entries().saveProject;
    save->setIcon(m_saveProjectButton->icon());
    save->setIconVisibleInMenu(false);
    save->setToolTip(m_saveProjectButton->toolTip());
    m_saveProjectButton->setDefaultAction(save);
    m_importButton = addToolButton(m_mainToolBar, "import", "Import psd file");
    m_mainToolBar->addSeparator();
    m_zoomInButton = addToolButton(m_mainToolBar, "zoom-in", "Zoom in");
    m_zoomOutButton = addToolButton(m_mainToolBar, "zoom-out", "Zoom out");
    m_mainToolBar->addSeparator();
    m_undoPointButton = addToolButton(m_mainToolBar, "undo-point", "Delete point");
    m_deleteLineButton = addToolButton(m_mainToolBar, "delete-line", "delete line");
    m_deleteOrderButton = addToolButton(m_mainToolBar, "delete-order", "delete layer");
    m_deleteAllLinesButton = addToolButton(m_mainToolBar, "delete-all", "delete all");
    m_mainToolBar->addSeparator();
    m_previewButton = addToolButton(m_mainToolBar, "preview", "Preview");
    m_stopButton = addToolButton(m_mainToolBar, "stop", "Stop");
    m_exportTiffButton = addToolButton(m_mainToolBar, "export-tiff", "Export tiff file");
    m_printButton = addToolButton(m_mainToolBar, "print", "Print", false);
    m_mainToolBar->addSeparator();
    m_beginLineButton = addToolButton(m_mainToolBar, "begin-line", "Begin Line");
    m_anaglyphButton = addToolButton(m_mainToolBar, "glasses", "Red/blue glasses preview");
    m_languageButton = addToolButton(m_mainToolBar, "language", "", false);
    m_languageButton->setText("Chinese");
    m_stereoPairButton = addToolButton(m_mainToolBar, "stereo", "", false);
    for (QToolButton* button : { m_zoomInButton, m_zoomOutButton, m_undoPointButton, m_deleteLineButton,
             m_deleteOrderButton, m_deleteAllLinesButton, m_previewButton, m_stopButton, m_exportTiffButton,
             m_beginLineButton, m_anaglyphButton, m_stereoPairButton })
        button->setEnabled(false);

    auto* spacer = new QWidget(m_mainToolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_mainToolBar->addWidget(spacer);
    m_helpButton = new QPushButton(QString::fromUtf8("？"), m_mainToolBar);
    m_helpButton->setToolTip("Help");
    m_helpButton->setFixedWidth(40);
    m_mainToolBar->addWidget(m_helpButton);

    m_outlineToolBar = new QToolBar("Outline tools", this);
    m_outlineToolBar->setMovable(false);
    m_outlineToolBar->setIconSize(QSize(24, 24));
    addToolBar(Qt::LeftToolBarArea, m_outlineToolBar);
    // The five editing tools are one exclusive choice; the rest are plain buttons.
    auto* tools = new QButtonGroup(m_outlineToolBar);
    tools->setExclusive(true);
    auto addTool = [&](const char* icon, const char* hint) {
        QToolButton* button = addToolButton(m_outlineToolBar, icon, hint);
        button->setCheckable(true);
        tools->addButton(button);
        return button;
    };
    m_drawLineTool = addTool("draw-line", "Draw Line");
    m_addPointTool = addTool("add-point", "Add Point");
    m_deletePointTool = addTool("delete-point", "Delete Point");
    m_moveLineTool = addTool("move-line", "Move Line");
    m_movePointTool = addTool("move-point", "Move Point");
    m_outlineToolBar->addSeparator();
    m_moveLinesDownButton = addToolButton(m_outlineToolBar, "order-down", "Move to down Layer");
    m_moveLinesUpButton = addToolButton(m_outlineToolBar, "order-up", "Move to up layer");
    m_cutButton = addToolButton(m_outlineToolBar, "cut", "Cut");
    m_pasteButton = addToolButton(m_outlineToolBar, "paste", "Pastup");
    m_drawLineTool->setChecked(true);
    m_pasteButton->setEnabled(false);
    m_outlineToolBar->hide();
}

void MainWindow::createRightPanel() {
    m_rightPanel = new QGroupBox;
    m_rightPanel->setFixedWidth(230);
    m_pages = new QTabWidget(m_rightPanel);
    m_pages->setDocumentMode(true);
    m_setLayerTab = new TabSheet(m_pages, "SetLayer", QString::fromUtf8("多层设置"));
    m_drawLineTab = new TabSheet(m_pages, "DrawLine", QString::fromUtf8("单层勾线"));

    m_layerPanel = new LayerPanel(m_setLayerTab);
    m_parameterPanel = new ParameterPanel(m_doc, *m_layerPanel, m_guard);
    m_layerPanel->pageArea()->addWidget(m_parameterPanel);
    auto* setLayerLayout = new QVBoxLayout(m_setLayerTab);
    setLayerLayout->setContentsMargins(0, 0, 0, 0);
    setLayerLayout->addWidget(m_layerPanel);

    m_outlinePanel = new OutlinePanel(m_drawLineTab);
    auto* drawLineLayout = new QVBoxLayout(m_drawLineTab);
    drawLineLayout->setContentsMargins(0, 0, 0, 0);
    drawLineLayout->addWidget(m_outlinePanel);

    auto* rightLayout = new QVBoxLayout(m_rightPanel);
    rightLayout->setContentsMargins(2, 2, 2, 2);
    rightLayout->addWidget(m_pages);
    m_rightPanel->setEnabled(false);
}

void MainWindow::createHiddenControls() {
    // The picture facts of an import, kept for their texts; the status bar shows them.
    m_infoBox = new QGroupBox("Info", this);
    auto* infoLayout = new QGridLayout(m_infoBox);
    int row = 0;
    auto addFact = [&](const char* caption) {
        infoLayout->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
        auto* value = new QLabel;
        infoLayout->addWidget(value, row, 1);
        ++row;
        return value;
    };
    m_modeValue = addFact("Mode:");
    m_layerCountValue = addFact("Layers:");
    m_dpiValue = addFact("DPI：");
    m_widthValue = addFact("Width:");
    m_heightValue = addFact("Height:");
    m_infoBox->hide();

    // The hidden left panel with the playback speed.
    m_speedPanel = new Panel(QString(), this);
    m_speedSlider = new QSlider(Qt::Horizontal, m_speedPanel);
    m_speedSlider->setRange(1, 11);
    m_speedSlider->setValue(6);
    m_speedPanel->hide();

    m_hiddenImportButton = new QPushButton(QString::fromUtf8("开图"), this);
    m_hiddenImportButton->hide();
    m_hiddenPreviewButton = new QPushButton(QString::fromUtf8("预览"), this);
    m_hiddenPreviewButton->setEnabled(false);
    m_hiddenPreviewButton->hide();

    // The layer table's menu; its entries are the DrawLine tab's depth map buttons.
    m_loadDepthMapAction = new QAction(ToolIcon("load-depth-map"), "Load depth map...", this);
    m_loadDepthMapAction->setStatusTip(QString::fromUtf8("载入深度图..."));
    m_clearDepthMapAction = new QAction(ToolIcon("clear-depth-map"), "Clear depth map", this);
    m_clearDepthMapAction->setStatusTip(QString::fromUtf8("清除深度图"));
    m_layerMenu = new QMenu(this);
    m_layerMenu->addAction(m_loadDepthMapAction);
    m_layerMenu->addAction(m_clearDepthMapAction);

    m_frameTimer = new QTimer(this);
    m_frameTimer->setInterval(50);
    m_frameTimer->start(); // created enabled: it ticks once, then waits for a loop to need it
}

void MainWindow::createControls() {
    setWindowTitle(DocumentSession::TitleFor(ProductTitle()));
    m_menu = new MainMenu(this);
    createToolBars();
    createRightPanel();

    m_centrePanel = new QWidget;
    m_viewport = new Viewport(m_centrePanel);
    m_progressBar = new QProgressBar(m_centrePanel);
    m_progressBar->setOrientation(Qt::Vertical);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setFixedWidth(10);
    auto* centreLayout = new QHBoxLayout(m_centrePanel);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(2);
    centreLayout->addWidget(m_progressBar);
    centreLayout->addWidget(m_viewport, 1);

    auto* body = new QWidget;
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(2, 2, 2, 2);
    bodyLayout->addWidget(m_centrePanel, 1);
    bodyLayout->addWidget(m_rightPanel);
    setCentralWidget(body);

    m_statusPanels = new StatusPanels(this);
    setStatusBar(m_statusPanels);
    createHiddenControls();
    assignObjectNames();
    m_outlineEditor = new OutlineEditorController(m_doc,
        { m_pages, m_setLayerTab, m_drawLineTab, m_outlineToolBar, m_drawLineTool, m_addPointTool,
            m_deletePointTool, m_moveLineTool, m_movePointTool, m_moveLinesDownButton, m_moveLinesUpButton,
            m_cutButton, m_pasteButton, m_undoPointButton, m_deleteLineButton, m_deleteOrderButton,
            m_deleteAllLinesButton, m_beginLineButton, m_outlinePanel, m_layerPanel, m_viewport },
        m_guard, this);
    connectCommands();
}

// The form names of the window's own controls. The panels, the menu and the status
// bar name their controls themselves.
void MainWindow::assignObjectNames() {
    setObjectName("Form1");

    m_mainToolBar->setObjectName("ToolBar1");
    m_openProjectButton->setObjectName("SpeedButton12");
    m_saveProjectButton->setObjectName("SpeedButton15");
    m_importButton->setObjectName("SpeedButton1");
    m_zoomInButton->setObjectName("SpeedButton3");
    m_zoomOutButton->setObjectName("SpeedButton4");
    m_undoPointButton->setObjectName("SpeedButton10");
    m_deleteLineButton->setObjectName("SpeedButton6");
    m_deleteOrderButton->setObjectName("SpeedButton7");
    m_deleteAllLinesButton->setObjectName("SpeedButton8");
    m_previewButton->setObjectName("SpeedButton9");
    m_stopButton->setObjectName("SpeedButton2");
    m_exportTiffButton->setObjectName("SpeedButton29");
    m_printButton->setObjectName("SpeedButton30");
    m_beginLineButton->setObjectName("SpeedButton13");
    m_anaglyphButton->setObjectName("SpeedButton5");
    m_languageButton->setObjectName("SpeedButton14");
    m_stereoPairButton->setObjectName("SpeedButton11");
    m_helpButton->setObjectName("Button5");

    m_outlineToolBar->setObjectName("ToolBar2");
    m_drawLineTool->setObjectName("ToolButton1");
    m_addPointTool->setObjectName("ToolButton2");
    m_deletePointTool->setObjectName("ToolButton3");
    m_moveLineTool->setObjectName("ToolButton4");
    m_movePointTool->setObjectName("ToolButton5");
    m_moveLinesDownButton->setObjectName("ToolButton8");
    m_moveLinesUpButton->setObjectName("ToolButton7");
    m_cutButton->setObjectName("ToolButton9");
    m_pasteButton->setObjectName("ToolButton10");

    m_rightPanel->setObjectName("GroupBox2");
    m_pages->setObjectName("PageControl1");
    m_setLayerTab->setObjectName("TabSheet1");
    m_drawLineTab->setObjectName("TabSheet2");

    m_centrePanel->setObjectName("Panel1");
    m_progressBar->setObjectName("ProgressBar1");

    m_infoBox->setObjectName("GroupBox1");
    m_modeValue->setObjectName("InfoValue0");
    m_layerCountValue->setObjectName("InfoValue1");
    m_dpiValue->setObjectName("InfoValue2");
    m_widthValue->setObjectName("InfoValue3");
    m_heightValue->setObjectName("InfoValue4");
    m_speedPanel->setObjectName("Panel5");
    m_speedSlider->setObjectName("TrackBar1");
    m_hiddenImportButton->setObjectName("BitBtn1");
    m_hiddenPreviewButton->setObjectName("BitBtn2");
    m_frameTimer->setObjectName("Timer1");
    m_loadDepthMapAction->setObjectName("LoadDepthMap1");
    m_clearDepthMapAction->setObjectName("ClearDepthMap1");
    m_layerMenu->setObjectName("LayerMenu1");
}

void MainWindow::nameShortcutsInToolTips() {
    const MenuEntries& menu = m_menu->entries();
    const std::pair<QToolButton*, QAction*> shared[] = {
        { m_openProjectButton, menu.openProject },
        { m_saveProjectButton, menu.saveProject },
        { m_importButton, menu.importPsd },
        { m_zoomInButton, menu.zoomIn },
        { m_zoomOutButton, menu.zoomOut },
        { m_undoPointButton, menu.undoPoint },
        { m_previewButton, menu.preview },
        { m_stopButton, menu.stopPreview },
        { m_exportTiffButton, menu.exportTiff },
        { m_beginLineButton, menu.beginLine },
        { m_anaglyphButton, menu.showAnaglyph },
        { m_cutButton, menu.cutLines },
        { m_pasteButton, menu.pasteLines },
    };
    for (const auto& [button, action] : shared) {
        const QKeySequence key = action->shortcut();
        if (key.isEmpty()) continue;
        const QString tip = button->toolTip() + " (" + key.toString(QKeySequence::NativeText) + ")";
        // A button that shows the entry itself takes the entry's tooltip again whenever
        // the entry changes (its caption does at every language switch).
        if (button->defaultAction() == action) action->setToolTip(tip);
        button->setToolTip(tip);
    }
}

void MainWindow::connectCommands() {
    // Every command runs inside the guard, which shows any error it raises.
    auto wire = [this](auto* sender, auto signal, void (MainWindow::*slot)()) {
        connect(sender, signal, this, [this, slot] { m_guard.run([this, slot] { (this->*slot)(); }); });
    };
    auto entry
        = [&](QAction* action, void (MainWindow::*slot)()) { wire(action, &QAction::triggered, slot); };
    auto button = [&](QAbstractButton* sender, void (MainWindow::*slot)()) {
        wire(sender, &QAbstractButton::clicked, slot);
    };
    const MenuEntries& menu = m_menu->entries();

    nameShortcutsInToolTips();
    entry(menu.openProject, &MainWindow::openProject);
    button(m_openProjectButton, &MainWindow::openProject);
    entry(menu.importPsd, &MainWindow::importPsd);
    button(m_importButton, &MainWindow::importPsd);
    button(m_hiddenImportButton, &MainWindow::importPsd);
    entry(menu.openDefaultSettings, &MainWindow::openDefaultSettings);
    entry(menu.openSettings, &MainWindow::openSettings);
    entry(menu.saveProject, &MainWindow::saveProject);
    entry(menu.saveProjectAs, &MainWindow::saveProjectAs);
    entry(menu.saveDefaultSettings, &MainWindow::saveDefaultSettings);
    entry(menu.saveSettings, &MainWindow::saveSettings);
    entry(menu.preview, &MainWindow::previewFromMenu);
    button(m_previewButton, &MainWindow::preview);
    button(m_hiddenPreviewButton, &MainWindow::preview);
    entry(menu.stopPreview, &MainWindow::stopPreviewFromMenu);
    button(m_stopButton, &MainWindow::stopPreview);
    entry(menu.showAnaglyph, &MainWindow::showAnaglyphFromMenu);
    button(m_anaglyphButton, &MainWindow::showAnaglyph);
    entry(menu.writeStereoPair, &MainWindow::saveStereoPair);
    button(m_stereoPairButton, &MainWindow::writeStereoPair);
    entry(menu.exportGif, &MainWindow::exportGif);
    entry(menu.exportTiff, &MainWindow::exportTiff);
    button(m_exportTiffButton, &MainWindow::exportTiff);
    entry(menu.pitchTestSheet, &MainWindow::makePitchTestSheet);
    entry(menu.quit, &MainWindow::quit);

    entry(menu.beginLine, &MainWindow::beginLine);
    button(m_beginLineButton, &MainWindow::beginLine);
    entry(menu.undoPoint, &MainWindow::undoPoint);
    button(m_undoPointButton, &MainWindow::undoPoint);
    entry(menu.deleteLine, &MainWindow::deleteLine);
    button(m_deleteLineButton, &MainWindow::deleteLine);
    entry(menu.deleteOrder, &MainWindow::deleteOrder);
    button(m_deleteOrderButton, &MainWindow::deleteOrder);
    entry(menu.deleteAllLines, &MainWindow::deleteAllLines);
    button(m_deleteAllLinesButton, &MainWindow::deleteAllLines);
    entry(menu.deleteSelection, &MainWindow::deleteSelection);
    entry(menu.selectAllLines, &MainWindow::selectAllLines);
    entry(menu.freeTransform, &MainWindow::freeTransform);
    entry(menu.cutLines, &MainWindow::cutLines);
    button(m_cutButton, &MainWindow::cutLines);
    entry(menu.copyLines, &MainWindow::copyLines);
    entry(menu.pasteLines, &MainWindow::pasteLines);
    button(m_pasteButton, &MainWindow::pasteLines);
    button(m_moveLinesDownButton, &MainWindow::moveLinesDown);
    button(m_moveLinesUpButton, &MainWindow::moveLinesUp);
    entry(menu.undoLineEdit, &MainWindow::undoLineEdit);
    entry(menu.redoLineEdit, &MainWindow::redoLineEdit);

    entry(menu.zoomIn, &MainWindow::zoomIn);
    button(m_zoomInButton, &MainWindow::zoomIn);
    entry(menu.zoomOut, &MainWindow::zoomOut);
    button(m_zoomOutButton, &MainWindow::zoomOut);
    entry(menu.zoomToFit, &MainWindow::zoomToFit);
    entry(menu.zoomToActualSize, &MainWindow::zoomToActualSize);
    connect(m_viewport, &Viewport::wheelZoomRequested, this, [this](int steps, QPoint anchor) {
        for (int i = 0; i < std::abs(steps); ++i) {
            if (steps > 0)
                m_viewport->enlargeAbout(m_doc.ImageHeight, anchor);
            else
                m_viewport->reduceAbout(m_doc.ImageHeight, anchor);
        }
        m_outlineEditor->viewZoomed();
    });
    connect(m_viewport, &Viewport::pictureResized, this, &MainWindow::showZoom);
    entry(menu.showWorkFolder, &MainWindow::showWorkFolder);
    entry(menu.showDepthMap, &MainWindow::showDepthMap);
    button(m_outlinePanel->depthMapButton(), &MainWindow::showDepthMap);
    entry(menu.saveDepthMap, &MainWindow::saveDepthMap);
    entry(m_loadDepthMapAction, &MainWindow::loadDepthMap);
    button(m_outlinePanel->loadDepthMapButton(), &MainWindow::loadDepthMap);
    entry(m_clearDepthMapAction, &MainWindow::clearDepthMap);
    button(m_outlinePanel->clearDepthMapButton(), &MainWindow::clearDepthMap);
    StringGrid* table = m_layerPanel->layerTable();
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& position) { m_guard.run([&] { showLayerMenu(position); }); });
    button(m_outlinePanel->previewButton(), &MainWindow::previewLayer);
    button(m_outlinePanel->stopButton(), &MainWindow::stopLayerPreview);
    connect(m_pages, &QTabWidget::currentChanged, this, &MainWindow::leavePage);
    connect(m_outlineEditor, &OutlineEditorController::notice, this, &MainWindow::showPrompt);
    connect(m_parameterPanel, &ParameterPanel::notice, this, &MainWindow::showPrompt);
    connect(m_outlineEditor, &OutlineEditorController::depthMapShownChanged, this,
        &MainWindow::showDepthMapState);
    m_outlinePanel->depthMapButton()->setCheckable(true);
    menu.showDepthMap->setCheckable(true);
    entry(menu.fitDepthToLens, &MainWindow::fitDepthToLens);

    entry(menu.showHelp, &MainWindow::showHelp);
    button(m_helpButton, &MainWindow::showHelp);
    entry(menu.showAbout, &MainWindow::showAbout);
    entry(menu.openWebLink, &MainWindow::openWebLink);
    wire(m_layerPanel, &LayerPanel::linkClicked, &MainWindow::openWebLink);
    entry(menu.switchLanguage, &MainWindow::switchLanguage);
    button(m_languageButton, &MainWindow::switchLanguage);

    wire(m_layerPanel->layerViewChoice(), &RadioGroup::itemIndexChanged, &MainWindow::switchLayerView);
    wire(m_layerPanel->layerTable(), &QTableWidget::cellClicked, &MainWindow::selectLayer);
    // Shown once the refused edit has closed, so the message box cannot end it again.
    connect(
        m_layerPanel, &LayerPanel::offsetRefused, this,
        [this](int row, const QString&, const QString& message) {
            const QString name = m_layerPanel->layerTable()->cell(LayerPanel::kNameColumn, row);
            m_platform.showError(this, QString("Offset of row %1 (%2): %3").arg(row).arg(name, message));
        },
        Qt::QueuedConnection);
    connect(m_frameTimer, &QTimer::timeout, this, &MainWindow::stopFrameTimer);
    connect(m_speedSlider, &QSlider::valueChanged, this,
        [this](int position) { m_frameTimer->setInterval(position * 10); });
    connect(m_parameterPanel, &ParameterPanel::glassesOutdated, this,
        [this] { m_anaglyphButton->setEnabled(false); });
    // The depth budget follows the offsets and the fields it depends on.
    connect(m_layerPanel->layerTable(), &QTableWidget::cellChanged, this, [this](int, int column) {
        if (column == 2) refreshDepthBudget();
    });
    for (QLineEdit* field : { m_parameterPanel->lpiField(), m_parameterPanel->focusField(),
             m_parameterPanel->depthField(), m_parameterPanel->widthField() })
        connect(field, &QLineEdit::textChanged, this, &MainWindow::refreshDepthBudget);
}

} // namespace deptrix
