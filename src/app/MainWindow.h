#pragma once

#include "app/CommandGuard.h"
#include "app/WorkFolder.h"
#include "core/Document.h"
#include "files/ConfigFile.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;

namespace deptrix {

class AboutBox;
struct LanguageTexts;
class LayerPanel;
class MainMenu;
class OutlinePanel;
class ParameterPanel;
class Platform;
class PreviewPlayer;
class StatusPanels;
class TabSheet;
class Viewport;

/// Where the program finds its folders. Empty fields take the defaults: the
/// executable's folder, the configuration file there when that folder is writable
/// (else in the user's configuration folder), the work folder under the user's cache.
struct AppEnvironment {
    QString exeFolder;
    QString configFolder;
    QString workBase;
};

/// The main window (`TForm1`). It builds the controls, runs start-up and shutdown,
/// and holds one slot per command, named after its control. The commands read their
/// fields, call the algorithms of the core and write the results back.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1(Platform& platform, const AppEnvironment& environment = {}, QWidget* parent = nullptr);
    ~TForm1() override;

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
    QToolButton* speedButton(int number) const;
    LayerPanel* layerPanel() const { return m_layerPanel; }
    ParameterPanel* parameterPanel() const { return m_parameters; }
    OutlinePanel* outlinePanel() const { return m_outlinePanel; }
    Viewport* viewport() const { return m_viewport; }
    StatusPanels* statusPanels() const { return m_status; }
    QProgressBar* progressBar() const { return m_progress; }
    QTimer* frameTimer() const { return m_timer1; }
    PreviewPlayer* player() const { return m_player.get(); }

    /// The import without its file dialog (also used by project open).
    void importPsd(const QString& path);

    /// Sets the prompt for the current stage into the last status panel.
    void showPrompt(const QString& prompt);
    QString promptFor(int appStage) const;

public slots:
    // File
    void Openproject1Click();
    void SpeedButton1Click(); ///< import a PSD
    void Opensettingsdefault1Click();
    void N3Click(); ///< open settings
    void SpeedButton9Click(); ///< preview
    void SpeedButton2Click(); ///< stop
    void SpeedButton5Click(); ///< red/blue glasses
    void SpeedButton11Click(); ///< stereo pair
    void ExportGif1Click();
    void N18Click();
    void N25Click();
    void N26Click();
    void N9Click(); ///< quit
    // Edit
    void SpeedButton13Click(); ///< begin line
    void SpeedButton10Click(); ///< undo the last point
    void SpeedButton6Click(); ///< delete line
    void SpeedButton7Click(); ///< delete the lines of the order
    void SpeedButton8Click(); ///< delete all lines
    void DeleteSelect1Click();
    void SelectAll1Click();
    void FreeTransition1Click();
    void ToolButton9Click(); ///< cut
    void ToolButton10Click(); ///< paste
    void ToolButton8Click(); ///< move lines down an order
    void ToolButton7Click(); ///< move lines up an order
    // View
    void SpeedButton3Click(); ///< enlarge
    void SpeedButton4Click(); ///< reduce
    void Showgrouptiff1Click(); ///< show the work folder
    // Help
    void N21Click(); ///< help
    void N22Click(); ///< about
    void Weblink1Click();
    void Languages1Click(); ///< switch language
    // Controls
    void RadioGroup1Click();
    void StringGrid1Click();
    void Timer1Timer();

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
    void connectCommands();
    QToolButton* addSpeedButton(
        QToolBar* bar, int number, const char* icon, const char* hint, bool shown = true);

    // Start-up and shutdown, in MainWindowLifecycle.cpp.
    void FormCreate(const AppEnvironment& environment);
    void FormClose();
    void readConfiguration();

    // Preview, in PreviewCommands.cpp.
    void generateAndPlay();

    // Import, in ImportCommand.cpp.
    void showImportFacts();
    void fillLayerTable();
    void showEmptyDocument();

    void applyLanguage();
    /// The texts the program sets itself (grid titles, status captions, prompts).
    void setProgramTexts(const LanguageTexts& texts);
    void setProgress(int percent);
    void showComposite();

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
    QToolBar* m_toolBar1 = nullptr;
    QToolBar* m_toolBar2 = nullptr;
    QHash<int, QToolButton*> m_speedButtons;
    QPushButton* m_helpButton = nullptr;
    QGroupBox* m_rightPanel = nullptr;
    QTabWidget* m_pageControl1 = nullptr;
    TabSheet* m_setLayerTab = nullptr;
    TabSheet* m_drawLineTab = nullptr;
    LayerPanel* m_layerPanel = nullptr;
    ParameterPanel* m_parameters = nullptr;
    OutlinePanel* m_outlinePanel = nullptr;
    Viewport* m_viewport = nullptr;
    QProgressBar* m_progress = nullptr;
    StatusPanels* m_status = nullptr;
    QGroupBox* m_infoBox = nullptr;
    QHash<QString, QLabel*> m_infoValues;
    QSlider* m_speedTrack = nullptr;
    QPushButton* m_hiddenImport = nullptr;
    QPushButton* m_hiddenPreview = nullptr;
    QTimer* m_timer1 = nullptr;
    std::vector<QPointer<QWidget>> m_auxiliary; ///< help windows and about boxes, closed with the window
    bool m_drawLineMode = false;
    QString m_settingsFileName; ///< proposed name of the settings and project open dialog
    std::unique_ptr<PreviewPlayer> m_player;
};

} // namespace deptrix
