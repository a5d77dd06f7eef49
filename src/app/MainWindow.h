#pragma once

#include "app/CommandGuard.h"
#include "app/WorkFolder.h"
#include "core/Document.h"
#include "files/ConfigFile.h"
#include "print/PitchTest.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

class QGroupBox;
class QLabel;
class QMenu;
class QPoint;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;

namespace deptrix {

struct LayerTableRow;
struct RecoveredWork;
class AboutBox;
class DocumentSession;
class EarlyImport;
class FileDrop;
struct LanguageTexts;
class LayerPanel;
class LayerPreviewPlayer;
class MainMenu;
class OutlineEditorController;
class OutlinePanel;
class Panel;
class ParameterPanel;
class Platform;
class PreviewPlayer;
class PrintChoices;
class RecentFiles;
class StatusPanels;
class TabSheet;
class ThreadChoice;
class Viewport;

/// Where the program finds its folders. Empty fields take the defaults: the
/// executable's folder, the configuration file there when that folder is writable
/// (else in the user's configuration folder), the work folder under the user's cache.
struct AppEnvironment {
    QString exeFolder;
    QString configFolder;
    QString workBase;
    QString recentFilesStore; ///< INI file of the recent files list; empty: the user's settings
    QString recoveryFolder; ///< copies of unsaved work; empty: "recovery" in the user's configuration folder
    int recoveryDelayMs = 0; ///< how long after a change the copy is written; 0: the usual 30 s
};

/// The main window. It builds the controls, runs start-up and shutdown, and holds one
/// slot per command, named after what the command does. The commands read their
/// fields, call the algorithms of the core and write the results back. Every control
/// keeps its form name as its objectName (see assignObjectNames), so tests and UI
/// automation can find it by that name.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Platform& platform, const AppEnvironment& environment = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& document() { return m_doc; }
    const Document& document() const { return m_doc; }
    Platform& platform() { return m_platform; }
    const CommandGuard& guard() const { return m_guard; }
    const WorkFolder& workFolder() const { return m_work; }
    QString configPath() const { return m_configPath; }
    int language() const { return m_language; }
    const QString& promptText() const { return m_promptText; }
    /// The configuration values as read at start-up (reserved fields included).
    const ConfigValues& configValues() const { return m_config; }

    MainMenu* mainMenu() const { return m_menu; }
    QToolButton* importButton() const { return m_importButton; }
    QToolButton* previewButton() const { return m_previewButton; }
    QToolButton* stopButton() const { return m_stopButton; }
    QToolButton* anaglyphButton() const { return m_anaglyphButton; }
    QToolButton* exportTiffButton() const { return m_exportTiffButton; }
    QToolButton* beginLineButton() const { return m_beginLineButton; }
    QToolButton* languageButton() const { return m_languageButton; }
    LayerPanel* layerPanel() const { return m_layerPanel; }
    ParameterPanel* parameterPanel() const { return m_parameterPanel; }
    OutlinePanel* outlinePanel() const { return m_outlinePanel; }
    OutlineEditorController* outlineEditor() const { return m_outlineEditor; }
    Viewport* viewport() const { return m_viewport; }
    StatusPanels* statusPanels() const { return m_statusPanels; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QTimer* frameTimer() const { return m_frameTimer; }
    PreviewPlayer* player() const { return m_player.get(); }
    LayerPreviewPlayer* layerPlayer() const { return m_layerPlayer.get(); }
    RecentFiles* recentFiles() const { return m_recentFiles; }
    /// The document's file state: its project, unsaved changes, recovery copy.
    DocumentSession& session() const { return *m_session; }
    /// Shutdown has run (the window was closed).
    bool isShutDown() const { return m_closed; }

    /// Who asks for an import: the import command, or project open, which leaves the
    /// progress bar, the outline tool bar and the beep to the end of its own command.
    enum class ImportOrigin { ImportCommand, Project };

    /// The import without its file dialog (also used by project open).
    void importPsdFile(const QString& path, ImportOrigin origin = ImportOrigin::ImportCommand);
    /// Opens a file named on the command line, dropped on the window or chosen from
    /// the recent files: a PSD or PSB is imported, a project is opened.
    void openFile(const QString& path);
    /// The one way into a project file (.tw3d, .tw3d2) once it is chosen.
    void openProjectFile(const QString& path);

    /// Offers unsaved work left by windows that ended without taking it back (at start).
    void offerRecovery();
    /// Starts reading the PSD at `path` while the window is not yet shown; opening the
    /// same file later takes what was read. Anything but an existing PSD or PSB is
    /// left to the opening, which reports it.
    void startEarlyImport(const QString& path);
    /// A close asked for by the system (a signal): open dialogs end as cancelled, and
    /// the window closes without questions, its unsaved changes kept for recovery.
    void closeWithoutQuestions();

    /// Sets the prompt for the current stage into the last status panel.
    void showPrompt(const QString& prompt);
    QString promptFor(int appStage) const;

public slots:
    // File
    void openProject();
    void importPsd(); ///< asks for the file, then imports it
    void openDefaultSettings();
    void openSettings();
    void saveProject(); ///< to the project file the document came from or was saved to
    void saveProjectAs();
    void saveDefaultSettings();
    void saveSettings();
    void preview();
    void stopPreview();
    void showAnaglyph(); ///< the red/blue glasses picture
    void writeStereoPair(); ///< into the work folder, then shown
    void saveStereoPair(); ///< asks where, then shown
    void exportGif();
    void exportTiff(); ///< the interlaced print file
    void makePitchTestSheet();
    // Menu entries that mirror a tool button act only while the button is enabled.
    void previewFromMenu();
    void stopPreviewFromMenu();
    void showAnaglyphFromMenu();
    void quit();
    // Edit
    void beginLine();
    void undoPoint(); ///< takes back the last point of the line being drawn, else the last line edit
    void deleteLine();
    void deleteOrder(); ///< deletes the lines of the current order
    void deleteAllLines();
    void deleteSelection();
    void selectAllLines();
    void freeTransform();
    void cutLines();
    void copyLines(); ///< fills the clipboard like cutLines, keeping the lines
    void pasteLines();
    void moveLinesDown(); ///< moves the selected lines down an order
    void moveLinesUp(); ///< moves the selected lines up an order
    void previewLayer(); ///< synthesises the layer being edited and plays it alone
    void stopLayerPreview();
    void undoLineEdit(); ///< steps back in the history of the open layer's lines
    void redoLineEdit();
    // View
    void zoomIn();
    void zoomOut();
    void zoomToFit();
    void zoomToActualSize(); ///< 100 %: one working pixel per screen pixel
    void showWorkFolder();
    void showDepthMap(); ///< toggles the depth the edited layer's outlines or map make, near light, far dark
    void loadDepthMap(); ///< gives the selected layer its depth from a picture
    void clearDepthMap(); ///< the selected layer is flat again
    void saveDepthMap(); ///< the selected layer's depth as a picture for other programs
    void fitDepthToLens(); ///< sets the depth so the largest movement is one lens width per view
    // Help
    void showHelp();
    void showAbout();
    void openWebLink();
    void switchLanguage();
    // Controls
    void switchLayerView(); ///< all layers composited, or the selected layer alone
    void selectLayer(); ///< a click in the layer table
    void stopFrameTimer(); ///< the frame timer ticks once per start

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Window creation, in MainWindowLayout.cpp.
    void createControls();
    void createToolBars();
    void createRightPanel();
    void createHiddenControls();
    void assignObjectNames();
    void connectCommands();
    QToolButton* addToolButton(QToolBar* bar, const char* icon, const char* hint, bool shown = true);
    /// The recent files menu and files dropped on the window, in FileCommands.cpp.
    void connectFileSources(const AppEnvironment& environment);

    // Start-up and shutdown, in MainWindowLifecycle.cpp.
    void startUp(const AppEnvironment& environment);
    void shutDown();
    void readConfiguration();
    /// Writes the configuration file, unless the user made it read-only (said once).
    void writeConfiguration(const ConfigValues& values);

    // The document session, in SessionCommands.cpp.
    void createSession(const AppEnvironment& environment);
    /// Every edit of what a save writes tells the session.
    void connectChangeSources();
    void restoreWork(const RecoveredWork& work);
    void closeWhenIdle();

    // Settings and project files, in SettingsCommands.cpp.
    void readSettings(const QString& path);
    /// The `<F>` mark on the focus row a file gave.
    void markFocusRow();
    void saveSetup(const QString& path);
    /// The set of the layer open in the outline editor, which a save takes in place
    /// of its stored set; null when none is open.
    const LineSet* linesInEditor() const;
    /// The saving commands work once a document is imported.
    void enableSaving(bool enabled);

    // Preview, in PreviewCommands.cpp.
    void generateAndPlay();

    // Print files and the depth budget, in PrintCommands.cpp.
    /// The print output is possible once a preview has built views and stopped.
    void enablePrintExport(bool enabled);
    /// How many frames a print has: the Angles field's value, seven when it cannot be one.
    int printFrames() const;
    /// Shows each layer's movement per view in lens widths (Offset cell tooltips, red
    /// above one) and warns in the status bar; quiet while a field is not a number.
    void refreshDepthBudget();

    // The layer being edited on the DrawLine tab, in LayerPreviewCommands.cpp.
    bool hasEditedLayer() const;
    const LineSet& editedLines() const;
    /// The Depth map button and menu entry show whether the map is in view.
    void showDepthMapState(bool shown);
    void leavePage();
    /// Layer `index` with the DrawLine tab's outline parameters when the tab is open
    /// on it, else as stored: what the depth-map view shows and a saved map holds.
    LayerRecord depthSettingsOf(std::size_t index) const;

    // Depth maps, in DepthMapCommands.cpp.
    /// The selected layer; throws when there is none.
    std::size_t depthMapLayer() const;
    /// The layer table's menu at `position` (viewport coordinates) for the row there.
    void showLayerMenu(const QPoint& position);
    /// The Group column from the layer records and their maps.
    void showGroupMarks();
    /// The maps kept beside a settings or project file just applied; what could not
    /// be loaded is named in the status bar.
    void applyDepthMapsOf(const QString& setupPath);

    // Import, in ImportCommand.cpp.
    void showImportFacts();
    void writeStereoPairTo(const QString& path); ///< views 3 and 6 side by side, then shown
    void fillLayerTable();
    static QString layerToolTip(const LayerTableRow& row);
    void showEmptyDocument();

    void applyLanguage();
    /// The texts the program sets itself (grid titles, status captions, prompts).
    void setProgramTexts(const LanguageTexts& texts);
    void setProgress(int percent);
    void showComposite();
    /// The zoom of the picture in the status bar: screen pixels per working pixel.
    void showZoom();
    /// The tool buttons' tooltips name the shortcut of the menu entry they share.
    void nameShortcutsInToolTips();
    /// Says in the status bar where an output was written, and whether it could be shown.
    void reportWritten(const QString& path, bool shown = true);
    /// Throws the message for an output at `path` that is the picture the document came
    /// from or a depth map picture it uses (or, for an export, the settings or project
    /// file it was set up from).
    void refuseOutputOverInput(const QString& path, bool isExport) const;
    /// Says in the status bar that a save or export was cancelled before writing.
    void reportNothingWritten();

    Platform& m_platform;
    CommandGuard m_guard;
    Document m_doc;
    WorkFolder m_work;
    QString m_exeFolder;
    QString m_configPath;
    ConfigValues m_config;
    std::uint8_t m_language = 0;
    QString m_promptText;
    QString m_msgImport, m_msgSetParams, m_msgStopPreview, m_msgExport, m_msgGlasses;
    bool m_closed = false;

    MainMenu* m_menu = nullptr;

    QToolBar* m_mainToolBar = nullptr;
    QToolButton* m_openProjectButton = nullptr;
    QToolButton* m_saveProjectButton = nullptr;
    QToolButton* m_importButton = nullptr;
    QToolButton* m_zoomInButton = nullptr;
    QToolButton* m_zoomOutButton = nullptr;
    QToolButton* m_undoPointButton = nullptr;
    QToolButton* m_deleteLineButton = nullptr;
    QToolButton* m_deleteOrderButton = nullptr;
    QToolButton* m_deleteAllLinesButton = nullptr;
    QToolButton* m_previewButton = nullptr;
    QToolButton* m_stopButton = nullptr;
    QToolButton* m_exportTiffButton = nullptr;
    QToolButton* m_printButton = nullptr;
    QToolButton* m_beginLineButton = nullptr;
    QToolButton* m_anaglyphButton = nullptr;
    QToolButton* m_languageButton = nullptr;
    QToolButton* m_stereoPairButton = nullptr;
    QPushButton* m_helpButton = nullptr;

    QAction* m_loadDepthMapAction = nullptr;
    QAction* m_clearDepthMapAction = nullptr;
    QMenu* m_layerMenu = nullptr; ///< the layer table's context menu

    QToolBar* m_outlineToolBar = nullptr;
    QToolButton* m_drawLineTool = nullptr;
    QToolButton* m_addPointTool = nullptr;
    QToolButton* m_deletePointTool = nullptr;
    QToolButton* m_moveLineTool = nullptr;
    QToolButton* m_movePointTool = nullptr;
    QToolButton* m_moveLinesDownButton = nullptr;
    QToolButton* m_moveLinesUpButton = nullptr;
    QToolButton* m_cutButton = nullptr;
    QToolButton* m_pasteButton = nullptr;

    QGroupBox* m_rightPanel = nullptr;
    QTabWidget* m_pages = nullptr;
    TabSheet* m_setLayerTab = nullptr;
    TabSheet* m_drawLineTab = nullptr;
    LayerPanel* m_layerPanel = nullptr;
    ParameterPanel* m_parameterPanel = nullptr;
    OutlinePanel* m_outlinePanel = nullptr;
    OutlineEditorController* m_outlineEditor = nullptr;

    QWidget* m_centrePanel = nullptr;
    Viewport* m_viewport = nullptr;
    QProgressBar* m_progressBar = nullptr;
    StatusPanels* m_statusPanels = nullptr;

    // Controls that are never shown: the picture facts of an import (the status bar
    // shows them), the playback speed and the bitmap buttons for import and preview.
    QGroupBox* m_infoBox = nullptr;
    QLabel* m_modeValue = nullptr;
    QLabel* m_layerCountValue = nullptr;
    QLabel* m_dpiValue = nullptr;
    QLabel* m_widthValue = nullptr;
    QLabel* m_heightValue = nullptr;
    Panel* m_speedPanel = nullptr;
    QSlider* m_speedSlider = nullptr;
    QPushButton* m_hiddenImportButton = nullptr;
    QPushButton* m_hiddenPreviewButton = nullptr;

    QTimer* m_frameTimer = nullptr;
    std::vector<QPointer<QWidget>> m_auxiliary; ///< help windows and about boxes, closed with the window
    QString m_settingsFileName; ///< proposed name of the settings and project open dialog
    std::unique_ptr<PreviewPlayer> m_player;
    std::unique_ptr<EarlyImport> m_earlyImport;
    ThreadChoice* m_threadChoice = nullptr; ///< Edit > Threads
    std::unique_ptr<LayerPreviewPlayer> m_layerPlayer;
    RecentFiles* m_recentFiles = nullptr;
    std::unique_ptr<DocumentSession> m_session;
    bool m_configReadOnlyShown = false;
    FileDrop* m_fileDrop = nullptr;
    std::unique_ptr<PrintChoices> m_printChoices; ///< the export dialog's choices, kept between runs
    std::optional<PitchTestSettings> m_pitchTest; ///< the last pitch test sheet's settings
};

} // namespace deptrix
