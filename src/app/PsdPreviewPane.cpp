#include "app/PsdPreviewPane.h"

#include "app/PictureControl.h"
#include "app/TextAndPaths.h"
#include "core/Error.h"
#include "import/PsdSummary.h"
#include "render/Compositor.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace deptrix {

namespace {

QString ModeName(ColourMode mode) {
    switch (mode) {
    case ColourMode::Grayscale:
        return "Gray";
    case ColourMode::Cmyk:
        return "CMYK";
    default:
        return "RGB";
    }
}

QString Facts(const PsdSummary& summary) {
    QStringList lines;
    lines << QString("%1 x %2 pixels").arg(summary.width).arg(summary.height);
    lines << QString("%1, %2 bits per channel").arg(ModeName(summary.mode)).arg(summary.depth);
    lines << (summary.layerCount == 1 ? QString("1 layer") : QString("%1 layers").arg(summary.layerCount));
    lines << QString("%1 dpi").arg(QLocale::c().toString(summary.resolutionPpi, 'g', 6));
    if (summary.largeDocument) lines << "Large document (PSB)";
    if (!summary.pictureProblem.empty())
        lines << "No preview: " + QString::fromStdString(summary.pictureProblem);
    return lines.join('\n');
}

} // namespace

PsdPreviewPane::PsdPreviewPane(QWidget* parent)
    : QWidget(parent)
    , m_picture(new QLabel(this))
    , m_facts(new QLabel(this)) {
    setObjectName("PsdPreviewPane");
    m_picture->setObjectName("PreviewPicture");
    m_facts->setObjectName("PreviewFacts");
    m_picture->setFixedSize(kPictureSide, kPictureSide);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_facts->setWordWrap(true);
    m_facts->setFixedWidth(kPictureSide);
    m_facts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_facts->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->addWidget(m_picture);
    layout->addWidget(m_facts, 1);
    showFile(QString());
}

void PsdPreviewPane::showFile(const QString& path) {
    m_picture->clear();
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        m_facts->setText("Select a file to see its picture.");
        return;
    }
    try {
        PsdSummary summary = SummarisePsdFile(ToPath(path), kPictureSide);
        if (!summary.picture.empty()) {
            CmykToRgb(summary.picture);
            m_picture->setPixmap(QPixmap::fromImage(PictureControl::ToImage(summary.picture)));
        }
        m_facts->setText(Facts(summary));
    } catch (const std::exception& error) {
        // Whatever the reader says is what an import would say.
        m_facts->setText(QString::fromUtf8(error.what()));
    }
}

} // namespace deptrix
