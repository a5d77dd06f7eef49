#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>
#include <initializer_list>

class QButtonGroup;
class QTabWidget;
class QVBoxLayout;

namespace deptrix {

/// Enables or disables each of the controls.
void SetEnabled(std::initializer_list<QWidget*> controls, bool enabled);

/// A page of a tab control whose caption and hint live on the tab itself.
class TabSheet : public QWidget {
    Q_OBJECT
public:
    TabSheet(QTabWidget* pageControl, const QString& caption, const QString& hint = QString());
    QString caption() const;
    void setCaption(const QString& caption);
    QString hint() const;
    void setHint(const QString& hint);
    /// Shows or hides the tab itself (not just the page).
    void setTabVisible(bool visible);
    bool isTabVisible() const;
    void activate();
    QTabWidget* pageControl() const { return m_pageControl; }

private:
    int index() const;
    QTabWidget* m_pageControl;
};

/// A framed panel with a centred caption.
class Panel : public QFrame {
    Q_OBJECT
public:
    explicit Panel(const QString& caption = QString(), QWidget* parent = nullptr);
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
};

/// A titled group of exclusive radio items with an item index (-1 for none).
/// `itemIndexChanged` fires whenever the index changes, by the user or the program.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, int columns = 1, QWidget* parent = nullptr);
    int itemIndex() const { return m_index; }
    void setItemIndex(int index);
    int count() const;
    QString itemText(int index) const;
    void setItemText(int index, const QString& text);

signals:
    void itemIndexChanged(int index);

private:
    QButtonGroup* m_buttons;
    int m_index = -1;
};

/// A table addressed like a string grid: cell(column, row), where row 0 holds the
/// column titles and rows 1..rowCount()-1 the data. Column 0 cannot be edited.
class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    StringGrid(int columns, int rows, QWidget* parent = nullptr);
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    void setCellToolTip(int column, int row, const QString& text);
    /// Rows including the title row.
    int gridRowCount() const { return rowCount() + 1; }
    void setGridRowCount(int rows);
    /// The row of the current cell in grid numbering (1 for the first data row), 0 if none.
    int currentGridRow() const { return currentRow() + 1; }
    /// Columns 0..count-1 show texts the program sets; they cannot be edited.
    void setReadOnlyColumns(int count) { m_readOnlyColumns = count; }

private:
    int m_readOnlyColumns = 1;
};

} // namespace deptrix
