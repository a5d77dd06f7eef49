#include "app/LayerPanel.h"

#include "app/Artwork.h"
#include "app/Controls.h"
#include "app/OffsetCellDelegate.h"
#include "app/Texts.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace deptrix {

LayerPanel::LayerPanel(QWidget* parent)
    : QWidget(parent)
    , m_linkPicture(new QLabel(this))
    , m_layerViewChoice(new RadioGroup("Layer View", { "All", "One" }, 2, this))
    , m_layerTable(new StringGrid(4, 11, this))
    , m_pageArea(new QVBoxLayout) {
    assignObjectNames();
    m_linkPicture->setPixmap(QPixmap::fromImage(LinkPicture(QSize(230, 46))));
    m_linkPicture->setCursor(Qt::PointingHandCursor);
    m_linkPicture->installEventFilter(this);

    m_layerViewChoice->setToolTip(QString::fromUtf8("图层显示"));
    m_layerViewChoice->setItemIndex(0);

    m_layerTable->setReadOnlyColumns(2);
    m_layerTable->setColumnReadOnly(kNameColumn);
    m_layerTable->setColumnWidth(1, 46);
    m_layerTable->setColumnWidth(2, 43);
    auto* offsets = new OffsetCellDelegate(m_layerTable);
    m_layerTable->setItemDelegateForColumn(kOffsetColumn, offsets);
    connect(offsets, &OffsetCellDelegate::refused, this, &LayerPanel::offsetRefused);
    m_layerTable->setStyleSheet("QTableWidget { background: white; }");
    m_layerTable->setWordWrap(false);
    m_layerTable->setTextElideMode(Qt::ElideRight); // long layer names; the tooltip has them whole
    // The name takes what the panel leaves until the user drags its edge wider (the
    // table then scrolls) or narrower; a long name is shortened, its tooltip whole.
    QHeaderView* header = m_layerTable->horizontalHeader();
    header->setMinimumSectionSize(24);
    header->setSectionResizeMode(kNameColumn, QHeaderView::Interactive);
    m_layerTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column == kNameColumn && !m_fittingName) m_nameSized = true;
    });
    m_layerTable->viewport()->installEventFilter(this);
    QFont small = m_layerTable->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_layerTable->setFont(small);
    // Wide enough for "10 <F>" in the table's font.
    m_layerTable->setColumnWidth(
        0, std::max(36, m_layerTable->fontMetrics().horizontalAdvance("10 <F>") + 8));

    m_layerTable->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_linkPicture, 0, Qt::AlignHCenter);
    layout->addWidget(m_layerViewChoice);
    layout->addWidget(m_layerTable, 1);
    layout->addLayout(m_pageArea);
}

void LayerPanel::assignObjectNames() {
    m_linkPicture->setObjectName("Image2");
    m_layerViewChoice->setObjectName("RadioGroup1");
    m_layerTable->setObjectName("StringGrid1");
}

void LayerPanel::markFocusRow(int focusRow, int rows) {
    for (int r = 1; r <= rows; ++r) m_layerTable->setCell(0, r, QString::number(r));
    if (focusRow >= 1 && focusRow <= rows)
        m_layerTable->setCell(0, focusRow, QString::number(focusRow) + " <F>");
}

void LayerPanel::markMovement(int row, const QString& toolTip, bool tooFar) {
    // Only the looks change: nothing that watches the cells' texts is told.
    const QSignalBlocker quiet(m_layerTable);
    m_layerTable->setCellToolTip(2, row, toolTip);
    QTableWidgetItem* item = m_layerTable->item(row - 1, 2);
    if (!item) return;
    item->setForeground(tooFar ? QBrush(QColor(200, 0, 0)) : QBrush());
    QFont font = item->font();
    font.setBold(tooFar);
    item->setFont(font);
}

std::vector<std::string> LayerPanel::offsetCells(int rows) const {
    std::vector<std::string> cells;
    cells.reserve(static_cast<size_t>(rows));
    for (int r = 1; r <= rows; ++r) cells.push_back(m_layerTable->cell(kOffsetColumn, r).toStdString());
    return cells;
}

void LayerPanel::fitNameColumn() {
    if (m_nameSized) return;
    int others = 0;
    for (int c = 0; c < m_layerTable->columnCount(); ++c)
        if (c != kNameColumn) others += m_layerTable->columnWidth(c);
    const int free = m_layerTable->viewport()->width() - others;
    m_fittingName = true;
    m_layerTable->setColumnWidth(
        kNameColumn, std::max(free, m_layerTable->horizontalHeader()->minimumSectionSize()));
    m_fittingName = false;
}

bool LayerPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_layerTable->viewport() && event->type() == QEvent::Resize) fitNameColumn();
    if (watched == m_linkPicture && event->type() == QEvent::MouseButtonRelease
        && m_linkPicture->isEnabled()) {
        emit linkClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace deptrix
