#include "app/LayerPanel.h"

#include "app/Artwork.h"
#include "app/Controls.h"
#include "app/Texts.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace deptrix {

LayerPanel::LayerPanel(QWidget* parent)
    : QWidget(parent)
    , m_link(new QLabel(this))
    , m_layerView(new RadioGroup("Layer View", { "All", "One" }, 2, this))
    , m_grid(new StringGrid(3, 11, this))
    , m_pageArea(new QVBoxLayout) {
    m_link->setObjectName("Image2");
    m_link->setPixmap(QPixmap::fromImage(LinkPicture(QSize(230, 46))));
    m_link->setCursor(Qt::PointingHandCursor);
    m_link->installEventFilter(this);

    m_layerView->setObjectName("RadioGroup1");
    m_layerView->setToolTip(QString::fromUtf8("图层显示"));
    m_layerView->setItemIndex(0);

    m_grid->setObjectName("StringGrid1");
    m_grid->setReadOnlyColumns(2);
    m_grid->setColumnWidth(1, 46);
    m_grid->setColumnWidth(2, 43);
    m_grid->setStyleSheet("QTableWidget { background: white; }");
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    QFont small = m_grid->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_grid->setFont(small);
    // Wide enough for "10 <F>" in the table's font.
    m_grid->setColumnWidth(0, std::max(36, m_grid->fontMetrics().horizontalAdvance("10 <F>") + 8));

    m_grid->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_link, 0, Qt::AlignHCenter);
    layout->addWidget(m_layerView);
    layout->addWidget(m_grid, 1);
    layout->addLayout(m_pageArea);
}

void LayerPanel::markFocusRow(int focusRow, int rows) {
    for (int r = 1; r <= rows; ++r) m_grid->setCell(0, r, QString::number(r));
    if (focusRow >= 1 && focusRow <= rows) m_grid->setCell(0, focusRow, QString::number(focusRow) + " <F>");
}

std::vector<std::string> LayerPanel::offsetCells(int rows) const {
    std::vector<std::string> cells;
    cells.reserve(static_cast<size_t>(rows));
    for (int r = 1; r <= rows; ++r) cells.push_back(m_grid->cell(2, r).toStdString());
    return cells;
}

bool LayerPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_link && event->type() == QEvent::MouseButtonRelease && m_link->isEnabled()) {
        emit linkClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace deptrix
