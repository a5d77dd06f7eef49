#include "app/PsdOpenDialog.h"

#include "app/PsdPreviewPane.h"

#include <QGridLayout>

namespace deptrix {

PsdOpenDialog::PsdOpenDialog(QWidget* parent, const QString& title, int language)
    : QFileDialog(parent, title)
    , m_pane(new PsdPreviewPane(this, language)) {
    setObjectName("OpenPictureDialog1");
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog lays itself out on a grid; the pane takes a column of its own.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(m_pane, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(this, &QFileDialog::currentChanged, m_pane, &PsdPreviewPane::showFile);
    // Room for the list beside the pane, within a 1024 x 768 screen.
    resize(880, 520);
}

} // namespace deptrix
