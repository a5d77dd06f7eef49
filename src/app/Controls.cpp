#include "app/Controls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHeaderView>
#include <QPainter>
#include <QRadioButton>
#include <QTabWidget>

namespace deptrix {

void SetEnabled(std::initializer_list<QWidget*> controls, bool enabled) {
    for (QWidget* control : controls) control->setEnabled(enabled);
}

TabSheet::TabSheet(QTabWidget* pageControl, const QString& caption, const QString& hint)
    : QWidget(pageControl)
    , m_pageControl(pageControl) {
    pageControl->addTab(this, caption);
    setHint(hint);
}

int TabSheet::index() const {
    return m_pageControl->indexOf(const_cast<TabSheet*>(this));
}

QString TabSheet::caption() const {
    return m_pageControl->tabText(index());
}
void TabSheet::setCaption(const QString& caption) {
    m_pageControl->setTabText(index(), caption);
}
QString TabSheet::hint() const {
    return m_pageControl->tabToolTip(index());
}
void TabSheet::setHint(const QString& hint) {
    m_pageControl->setTabToolTip(index(), hint);
}
void TabSheet::setTabVisible(bool visible) {
    m_pageControl->setTabVisible(index(), visible);
}
bool TabSheet::isTabVisible() const {
    return m_pageControl->isTabVisible(index());
}
void TabSheet::activate() {
    m_pageControl->setCurrentWidget(this);
}

Panel::Panel(const QString& caption, QWidget* parent)
    : QFrame(parent)
    , m_caption(caption) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
}

void Panel::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void Panel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_caption.isEmpty()) return;
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter, m_caption);
}

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent)
    , m_buttons(new QButtonGroup(this)) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
        layout->addWidget(button, i % rows, i / rows);
    }
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked || id == m_index) return;
        m_index = id;
        emit itemIndexChanged(id);
    });
}

void RadioGroup::setItemIndex(int index) {
    if (index == m_index) return;
    if (index < 0 || index >= count()) {
        m_buttons->setExclusive(false);
        if (QAbstractButton* checked = m_buttons->checkedButton()) checked->setChecked(false);
        m_buttons->setExclusive(true);
        m_index = -1;
        emit itemIndexChanged(-1);
        return;
    }
    m_buttons->button(index)->setChecked(true); // emits through idToggled
}

int RadioGroup::count() const {
    return static_cast<int>(m_buttons->buttons().size());
}
QString RadioGroup::itemText(int index) const {
    return m_buttons->button(index)->text();
}
void RadioGroup::setItemText(int index, const QString& text) {
    m_buttons->button(index)->setText(text);
}

StringGrid::StringGrid(int columns, int rows, QWidget* parent)
    : QTableWidget(rows - 1, columns, parent) {
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    for (int c = 0; c < columns; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem());
}

QString StringGrid::cell(int column, int row) const {
    if (row == 0) {
        const QTableWidgetItem* header = horizontalHeaderItem(column);
        return header ? header->text() : QString();
    }
    const QTableWidgetItem* it = item(row - 1, column);
    return it ? it->text() : QString();
}

void StringGrid::setCell(int column, int row, const QString& text) {
    if (row == 0) {
        horizontalHeaderItem(column)->setText(text);
        return;
    }
    if (row - 1 >= rowCount() || column >= columnCount()) return;
    QTableWidgetItem* it = item(row - 1, column);
    if (!it) {
        it = new QTableWidgetItem();
        if (column < m_readOnlyColumns) it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row - 1, column, it);
    }
    it->setText(text);
}

void StringGrid::setCellToolTip(int column, int row, const QString& text) {
    if (row < 1 || row - 1 >= rowCount()) return;
    if (!item(row - 1, column)) setCell(column, row, QString());
    item(row - 1, column)->setToolTip(text);
}

void StringGrid::setGridRowCount(int rows) {
    setRowCount(rows > 1 ? rows - 1 : 0);
}

} // namespace deptrix
