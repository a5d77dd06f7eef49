#pragma once

#include "outline/OutlineEditor.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QTabWidget;
class QToolBar;
class QToolButton;

namespace deptrix {

class CommandGuard;
class LayerPanel;
class OutlinePanel;
class TabSheet;
class Viewport;
struct Document;

/// The window's controls that the outline editor works with.
struct OutlineControls {
    QTabWidget* pages = nullptr;
    TabSheet* setLayerTab = nullptr;
    TabSheet* drawLineTab = nullptr;
    QToolBar* toolBar = nullptr;
    QToolButton* drawLineTool = nullptr;
    QToolButton* addPointTool = nullptr;
    QToolButton* deletePointTool = nullptr;
    QToolButton* moveLineTool = nullptr;
    QToolButton* movePointTool = nullptr;
    QToolButton* moveLinesDownButton = nullptr;
    QToolButton* moveLinesUpButton = nullptr;
    QToolButton* cutButton = nullptr;
    QToolButton* pasteButton = nullptr;
    QToolButton* undoPointButton = nullptr;
    QToolButton* deleteLineButton = nullptr;
    QToolButton* deleteOrderButton = nullptr;
    QToolButton* deleteAllLinesButton = nullptr;
    QToolButton* beginLineButton = nullptr;
    OutlinePanel* panel = nullptr;
    LayerPanel* layerPanel = nullptr;
    Viewport* viewport = nullptr;
};

/// Wires the outline editor to the window: opens and closes it with the DrawLine tab,
/// routes the picture control's mouse events and the editor's keys to it, runs the
/// editing commands, shows the picture and pointer shape it answers with and keeps the
/// tool buttons, the "Order" choice, the View boxes and Pastup in step with it.
class OutlineEditorController : public QObject {
    Q_OBJECT
public:
    OutlineEditorController(
        Document& doc, const OutlineControls& controls, const CommandGuard& guard, QObject* parent = nullptr);
    ~OutlineEditorController() override;

    OutlineEditor& editor() { return m_editor; }
    /// The DrawLine tab shows a layer for editing.
    bool drawLineMode() const { return m_drawLineMode; }

    // Commands of the Edit menu and the tool bars.
    void beginLine();
    void undoPoint();
    void deleteLine();
    void deleteOrder();
    void deleteAllLines();
    void deleteSelection();
    void selectAllLines();
    void freeTransform();
    void cutLines();
    void copyLines();
    void pasteLines();
    void moveLinesDown();
    void moveLinesUp();
    void undoLineEdit();
    void redoLineEdit();

    /// The view was zoomed: the editor converts with the new scale.
    void viewZoomed();
    /// An import replaced the document: the editor lets go of the old one's lines.
    void documentReplaced();
    /// A settings file gave the open layer other lines: the editor shows them.
    void linesReplaced();
    /// Shows `map` in place of the layer until an edit, a tool, order or View box
    /// change, or any other picture replaces it.
    void showDepthMap(const Bitmap& map);
    bool depthMapShown() const { return m_depthMapShown; }
    /// Back from the depth map or the layer's playback to the layer with its outlines
    /// (the picture and the delete commands work again while the tab shows).
    void showOutlines();

    /// The tab's depth (`Edit1`) as a number; a text that is none throws its message.
    Fixed tabDepth() const;

    /// The language of the notes (0 English, 1 Chinese).
    void setLanguage(int language) { m_language = language; }

signals:
    /// A note for the status bar.
    void notice(const QString& text);
    /// The depth map came into view or went.
    void depthMapShownChanged(bool shown);

signals:
    /// The editor changed the stored lines of the open layer (an edit, undo or redo).
    void linesEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void pageChanged(int index);
    void showTab();
    void hideTab();
    void chooseTool(EditTool tool);
    void orderChosen(int item);
    void pictureReplaced();
    bool routeMouse(QEvent* event);
    bool routeKey(QEvent* event);
    /// Leaving the tab's depth field with a text that is no number brings back the last
    /// number it held, with a message naming the field.
    void depthFieldLeft();
    /// Runs an editor call inside the command guard and shows what it answers.
    template <typename Call> void run(Call&& call);
    void show(const EditorResponse& response);
    /// The open layer's mark in the layer table and its settings on the tab.
    void showLayerState();
    void syncControls();
    QToolButton* buttonFor(EditTool tool) const;

    Document& m_doc;
    OutlineControls m_controls;
    QPointer<QWidget> m_picture; ///< the viewport's picture, whose mouse events are routed
    const CommandGuard& m_guard;
    OutlineEditor m_editor;
    bool m_tabShowing = false;
    bool m_drawLineMode = false;
    QImage m_shown; ///< the editor's display, viewed without a copy
    int m_language = 0;
    bool m_depthMapShown = false;
    QString m_acceptedDepth = "1.0"; ///< the last number the tab's depth field held
    bool m_showingDepthMap = false; ///< the picture being replaced is the depth map
};

} // namespace deptrix
