#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace deptrix {

class RadioGroup;
class StringGrid;

/// The layer side of the "SetLayer" tab: the link picture (`Image2`), the "Layer View"
/// choice (`RadioGroup1`) and the layer table (`StringGrid1`) with its columns
/// "Layer", "Group", "Offset" and the layer's name. Row r shows layer LayerCount - r.
/// An Offset cell takes only an integer: any other text typed into it is refused
/// when the edit ends, and the cell keeps the text it had.
class LayerPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOffsetColumn = 2;
    static constexpr int kNameColumn = 3;

    explicit LayerPanel(QWidget* parent = nullptr);

    RadioGroup* layerViewChoice() const { return m_layerViewChoice; }
    StringGrid* layerTable() const { return m_layerTable; }
    QLabel* linkPicture() const { return m_linkPicture; }
    /// Where the parameter pages go, below the table.
    QVBoxLayout* pageArea() const { return m_pageArea; }

    /// Column 0 shows the row numbers 1..rows, the focus row with " <F>" after it.
    void markFocusRow(int focusRow, int rows);

    /// Marks the Offset cell of row `row` with `toolTip`, in red when the layer moves
    /// too far between views.
    void markMovement(int row, const QString& toolTip, bool tooFar);

    /// The Offset column texts for rows 1..rows, as typed.
    std::vector<std::string> offsetCells(int rows) const;

signals:
    void linkClicked();
    /// An edit of the Offset cell in grid row `row` ended with `text`, which is not an
    /// integer; the cell was left as it was.
    void offsetRefused(int row, const QString& text, const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void assignObjectNames();
    /// The name column takes the width the other columns leave, until the user sizes it.
    void fitNameColumn();

    QLabel* m_linkPicture;
    RadioGroup* m_layerViewChoice;
    StringGrid* m_layerTable;
    QVBoxLayout* m_pageArea;
    bool m_nameSized = false; ///< the user has dragged the name column's edge
    bool m_fittingName = false;
};

} // namespace deptrix
