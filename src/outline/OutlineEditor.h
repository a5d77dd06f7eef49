#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "outline/EditHistory.h"
#include "outline/Feedback.h"
#include "outline/PickMap.h"
#include "outline/SelectionBox.h"
#include "outline/TintedDisplay.h"
#include "outline/ViewMapping.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace deptrix {

/// The active tool of the outline editor. The numbers are the tool codes the editor
/// has always used (0 is the idle state after a transform ends).
enum class EditTool : std::uint8_t {
    None = 0,
    DrawLine = 1,
    AddPoint = 2,
    FreeTransform = 3,
    MoveLine = 4,
    MovePoint = 5,
    DeletePoint = 6,
};

/// The pointer shape the picture control should show.
enum class PointerShape : std::uint8_t {
    Arrow,
    Cross,
    Move, ///< four arrows
    NotAllowed,
    SizeVertical,
    SizeHorizontal,
    SizeTopLeft, ///< diagonal, top-left to bottom-right
    SizeTopRight, ///< diagonal, top-right to bottom-left
};

enum class MouseButton : std::uint8_t { Left, Right, Middle };

/// A pointer event over the picture control, in its client pixels.
struct PointerInput {
    int x = 0;
    int y = 0;
    MouseButton button = MouseButton::Left;
    bool shift = false;
};

enum class EditorKey : std::uint8_t { Escape, Enter };

/// What an event or command changed, for the window to show.
struct EditorResponse {
    /// Part of display() to show again (working pixels); empty when nothing changed.
    PixelRect repaint;
    /// New pointer shape, when the event decided one.
    std::optional<PointerShape> pointer;
    /// System beeps to sound.
    int beeps = 0;
    /// The stored lines of the open layer changed.
    bool linesChanged = false;
    /// The layer record's outline fields (group, depth, smoothness, base order) changed:
    /// the window shows the layer's mark and the tab's settings again.
    bool layerChanged = false;
    /// The line just finished lies entirely under nearer lines of shown orders, so the
    /// tinted display shows nothing of it.
    bool finishedLineHidden = false;
};

/// The tab's settings that Delete All writes into the layer record.
struct OutlineSettings {
    Fixed depth = 0;
    std::uint8_t smooth = 0;
    std::uint8_t baseOrder = 0;
};

/// The outline editor of the DrawLine tab: the line set of one layer, its tinted
/// display, the pick maps and the tool state machine. The window routes pointer events,
/// keys and commands here and shows display() with the pointer shape it gets back; the
/// editor itself knows nothing of widgets.
///
/// The line set being edited is the document's EditLines; CurOrder is the document's.
/// The selection, the working copies and the picked points belong to the layer they were
/// made on: opening another layer forgets them (and ends Free Transform), while the
/// clipboard stays so that lines can be pasted onto another layer. Entries that no
/// longer name a line of the open set (removed by a delete) are ignored wherever they
/// are used. Each layer keeps its own line-edit history until the document is replaced.
class OutlineEditor {
public:
    explicit OutlineEditor(Document& doc);

    // --- The tab -----------------------------------------------------------------

    /// Opens layer `layer` for editing; Composite must already show the layer alone
    /// (24 bits). Prepares LayerLines and EditLines, fits the mapping to the control's
    /// client size and refreshes the display. Does nothing without layers. Opening a
    /// layer other than the one last open forgets the selection, the working copies and
    /// the picked points, and ends Free Transform in the Move Line tool.
    EditorResponse open(int layer, int clientWidth, int clientHeight);
    /// Stores EditLines as the layer's set and empties it; a line being drawn is
    /// abandoned. The selection, the clipboard and the layer's history stay.
    void close();
    /// The document was replaced (an import or a project): closes, and forgets every
    /// layer's history and the selection. The clipboard stays.
    void forgetDocument();
    /// A layer is open and its set is still the document's EditLines (an import
    /// empties EditLines behind the editor's back; nothing then acts on it).
    bool isOpen() const { return m_open && m_doc.EditLines.size() == static_cast<size_t>(kOrderCount); }
    int layer() const { return m_layer; }

    /// After a zoom: the new mapping (the display is not refreshed, so the feedback on
    /// it keeps its pen).
    void setViewMapping(const ViewMapping& mapping);
    const ViewMapping& viewMapping() const { return m_mapping; }
    int markUnit() const { return m_mapping.markUnit(); }

    // --- Controls of the tab -------------------------------------------------------

    /// The tool buttons (Draw Line, Add Point, Delete Point, Move Line, Move Point);
    /// Free Transform goes to freeTransform().
    EditorResponse selectTool(EditTool tool);
    /// "Order" item 0..15; the empty 16th item selects the 15th order.
    void setCurrentOrder(int item);
    /// A "View" box: whether order index `order` is tinted.
    EditorResponse setOrderVisible(int order, bool visible);
    const OrderVisibility& orderVisibility() const { return m_visible; }

    // --- Pointer and keys ----------------------------------------------------------

    EditorResponse press(const PointerInput& input);
    EditorResponse move(const PointerInput& input);
    EditorResponse release(const PointerInput& input);
    /// The second press of a double click: ends Free Transform, then acts as a press.
    EditorResponse doubleClick(const PointerInput& input);
    /// Escape abandons the line being drawn; Enter ends Free Transform in Move Line.
    EditorResponse key(EditorKey key);
    /// Ends a gesture in progress without applying it (the single-layer preview).
    void cancelGesture() { m_dragging = false; }

    // --- Commands ------------------------------------------------------------------

    /// Removes the last placed point of the line being drawn.
    EditorResponse undoPoint();
    /// Removes the last line of the current order.
    EditorResponse deleteLine();
    /// Removes every line of the current order.
    EditorResponse deleteOrder();
    /// Replaces the set by 15 empty orders and stores it as the layer's set; the layer
    /// record becomes an ordinary layer (group 0) with the tab's settings. Shows the
    /// layer without tint. One step of the history, record included.
    EditorResponse deleteAll(const OutlineSettings& settings);
    EditorResponse selectAll();
    EditorResponse freeTransform();
    /// Removes the selected lines (Move Line) or the picked point (Move Point).
    EditorResponse deleteSelection();
    EditorResponse cut();
    /// Fills the clipboard like cut() without removing the lines.
    EditorResponse copy();
    EditorResponse paste();
    /// Moves the selected lines one order farther ("down") or nearer ("up").
    EditorResponse moveLinesDown();
    EditorResponse moveLinesUp();
    /// The line edit history.
    EditorResponse undoEdit();
    EditorResponse redoEdit();
    bool canUndoEdit() const { return isOpen() && history().canUndo(); }
    bool canRedoEdit() const { return isOpen() && history().canRedo(); }
    /// The line-edit history of a layer (an empty one for a layer never edited).
    const EditHistory& history(int layer) const;
    /// The lines as they are now were saved: undoing or redoing back here later tells
    /// that they are as saved again, on every layer.
    void markLinesSaved();
    /// False once an edit since the last save is not undone on some layer; edits of
    /// histories forgotten since then count until the next save.
    bool linesAsSaved() const;

    // --- State, for the window and for tests ---------------------------------------

    EditTool tool() const { return m_tool; }
    /// The tool button that shows checked: the active tool's. Free Transform has no
    /// button, so none shows; the idle state after a double click ends a transform
    /// shows Move Line, which its release switches to.
    EditTool checkedButton() const;
    bool dragging() const { return m_dragging; }
    const Line& drawPoints() const { return m_drawPoints; }
    const LineRefs& selection() const { return m_selection; }
    const OrderLines& workingCopies() const { return m_workingCopies; }
    const std::vector<std::uint32_t>& pickedPoints() const { return m_pickedPoints; }
    const OrderLines& clipboard() const { return m_clipLines; }
    const std::vector<std::uint8_t>& clipboardOrders() const { return m_clipOrders; }
    bool pasteEnabled() const { return m_pasteEnabled; }
    std::uint32_t lastLineCount() const { return m_lastLineCount; }
    const SelectionBox& selectionBox() const { return m_box; }
    /// The picture the control shows: the layer, tinted or not, with the feedback.
    const Bitmap& display() const { return m_display; }
    /// The pick map of the active tool, painted first if it is out of date.
    const PickMap& pickMap();
    /// The tint mask of the last refresh.
    const Bitmap& tintMask() const { return m_tintMask; }

    /// The line sets were replaced from outside the editor (a settings file read): forgets
    /// every layer's history and, while a layer is open, what was painted from its old
    /// lines, and shows the new ones.
    EditorResponse linesReplaced();

private:
    LineSet& lines() { return m_doc.EditLines; }
    int imageWidth() const { return m_doc.Composite.width(); }
    int imageHeight() const { return m_doc.Composite.height(); }

    // Display and pick maps (OutlineEditor.cpp).
    const RasterizedLines& raster();
    void forgetPaintedLines();
    void refreshDisplay(EditorResponse& response);
    void showUntinted(EditorResponse& response);
    void setFeedbackPen(int width);
    void redisplay(EditorResponse& response);
    void redrawPendingLine(EditorResponse& response);
    PickContent contentFor(EditTool tool) const;
    Pick pickAt(LinePoint at);
    FeedbackPainter painter(EditorResponse& response);
    /// Draws the transform overlay, or takes it off when it is shown.
    void toggleTransformOverlay(EditorResponse& response);
    /// The display was replaced: no overlay is on it.
    void forgetOverlay();
    void switchToMoveLine(EditorResponse& response);
    void drawFirstSelectedLine(EditorResponse& response);

    // Edit history (OutlineEditor.cpp).
    EditHistory& history() { return m_histories[m_layer]; }
    /// Drops every layer's steps, remembering whether the lines then differed from the save.
    void forgetHistories();
    const EditHistory& history() const { return history(m_layer); }
    /// The open layer's outline fields, when the document has its record.
    std::optional<LayerOutlineState> layerState() const;
    /// The state now; `withLayer` adds the layer record's outline fields.
    EditSnapshot snapshot(bool withLayer = false) const;
    /// Stores EditLines as the open layer's entry of LayerLines.
    void storeOpenSet();
    /// Records `before` when the lines (or the layer record, where `before` holds it)
    /// differ from it now.
    void recordEdit(EditSnapshot before, EditorResponse& response);
    void restore(EditSnapshot state, EditorResponse& response);
    /// Forgets the selection, working copies and picked points (another layer opens).
    void forgetLayerWork();
    /// Picked points count only while the line they were picked on is still the first
    /// selected line.
    void settlePickedPoints();
    void forgetPickedPoints() { m_pickedPoints.clear(); }

    // Tools (EditorPointer.cpp, EditorPointTools.cpp).
    void drawLinePress(const PointerInput& input);
    void drawLineMove(const PointerInput& input, EditorResponse& response);
    void drawLineRelease(const PointerInput& input, EditorResponse& response);
    void storeFinishedLine(EditorResponse& response);
    void moveLineHover(LinePoint at, EditorResponse& response);
    void moveLinePress(LinePoint at, bool shift, EditorResponse& response);
    void moveLineDrag(LinePoint at, EditorResponse& response);
    void moveLineRelease(EditorResponse& response);
    void addPointHover(LinePoint at, EditorResponse& response);
    void addPointPress(LinePoint at, EditorResponse& response);
    void deletePointHover(LinePoint at, EditorResponse& response);
    void deletePointPress(LinePoint at, EditorResponse& response);
    void movePointHover(LinePoint at, EditorResponse& response);
    void movePointPress(LinePoint at, EditorResponse& response);
    void movePointDrag(LinePoint at, EditorResponse& response);
    void movePointRelease(EditorResponse& response);
    void drawPickedPoints(FeedbackPainter& paint);
    void transformHover(LinePoint at, EditorResponse& response);
    void transformPress(LinePoint at);
    void transformDrag(LinePoint at, bool shift, EditorResponse& response);
    void transformRelease(EditorResponse& response);
    void endTransform(EditorResponse& response);
    /// Makes `ref` the only selected line and its copy the picked line; false when the
    /// reference names no line.
    bool pickLine(LineRef ref);

    // Commands (EditorCommands.cpp).
    void pruneSelection();
    /// Takes the lines of orders whose View box is off out of the selection.
    void dropHiddenFromSelection();
    void fillClipboard();
    EditorResponse moveLinesToNeighbour(bool down);

    Document& m_doc;
    bool m_open = false;
    int m_layer = 0;
    /// The layer the selection, working copies and picked points were made on.
    int m_workLayer = -1;
    ViewMapping m_mapping;
    OrderVisibility m_visible;

    EditTool m_tool = EditTool::None;
    bool m_dragging = false;

    // The line being drawn: its points always number DrawCount.
    Line m_drawPoints;
    LinePoint m_rubberFrom {};
    LinePoint m_rubberTo {};

    // The point tools' working copy of the line they picked (the first selection
    // entry), kept apart from the line being drawn so that neither overwrites the other.
    Line m_pickedLine;
    std::uint32_t m_pointIndex = 0;
    bool m_hoverTarget = false;
    std::vector<std::uint32_t> m_pickedPoints;
    LineRef m_pickedPointsLine {}; ///< the line m_pickedPoints were picked on

    std::uint32_t m_lastLineCount = 0;
    LineRefs m_selection;
    OrderLines m_workingCopies;
    OrderLines m_clipLines;
    std::vector<std::uint8_t> m_clipOrders;
    bool m_pasteEnabled = false;

    LinePoint m_press {};
    LinePoint m_pointer {};
    int m_handle = kHandleOutside;
    SelectionBox m_box;

    Bitmap m_display;
    Bitmap m_tintMask;
    RasterizedLines m_raster;
    bool m_rasterValid = false;
    int m_rasterUnit = 0;
    PickMap m_pickMap;
    FeedbackPen m_pen;
    bool m_overlayShown = false;
    std::vector<SavedPixels> m_handlesUnder; ///< what the shown handles cover
    std::map<int, EditHistory> m_histories; ///< per layer index
    /// A history was forgotten while its lines differed from the last save.
    bool m_forgotUnsavedEdits = false;
};

} // namespace deptrix
