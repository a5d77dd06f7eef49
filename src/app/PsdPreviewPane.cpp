#include "app/PsdPreviewPane.h"

#include "app/ColourModeTexts.h"
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

QString Facts(const PsdSummary& summary, int language) {
    const bool zh = language == 1;
    QStringList lines;
    lines << (zh ? QString::fromUtf8("%1 x %2 像素") : QString("%1 x %2 pixels"))
                 .arg(summary.width)
                 .arg(summary.height);
    const auto stored = static_cast<int>(summary.mode);
    const auto imported = static_cast<int>(summary.importedMode);
    lines << ModeAndDepthText(stored, summary.depth, language);
    // A file the import converts says what it becomes.
    if (stored != imported || summary.depth != 8)
        lines << (zh ? QString::fromUtf8("导入为 %1") : QString("Imported as %1"))
                     .arg(ModeAndDepthText(imported, 8, language));
    if (summary.mode == ColourMode::Duotone)
        lines << (zh ? QString::fromUtf8("双色调油墨不模拟") : QString("Duotone inks are not simulated"));
    if (zh)
        lines << QString::fromUtf8("%1 个图层").arg(summary.layerCount);
    else
        lines << (summary.layerCount == 1 ? QString("1 layer")
                                          : QString("%1 layers").arg(summary.layerCount));
    if (summary.artboardCount > 0) {
        if (zh)
            lines << QString::fromUtf8("%1 个画板").arg(summary.artboardCount);
        else
            lines << (summary.artboardCount == 1 ? QString("1 artboard")
                                                 : QString("%1 artboards").arg(summary.artboardCount));
    }
    lines << QString("%1 dpi").arg(QLocale::c().toString(summary.resolutionPpi, 'g', 6));
    if (summary.largeDocument)
        lines << (zh ? QString::fromUtf8("大型文档 (PSB)") : QString("Large document (PSB)"));
    if (!summary.pictureProblem.empty())
        lines << (zh ? QString::fromUtf8("无预览: ") : QString("No preview: "))
                + QString::fromStdString(summary.pictureProblem);
    return lines.join('\n');
}

} // namespace

PsdPreviewPane::PsdPreviewPane(QWidget* parent, int language)
    : QWidget(parent)
    , m_picture(new QLabel(this))
    , m_facts(new QLabel(this))
    , m_language(language) {
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
        m_facts->setText(m_language == 1 ? QString::fromUtf8("选择一个文件以查看它的图片。")
                                         : QString("Select a file to see its picture."));
        return;
    }
    try {
        PsdSummary summary = SummarisePsdFile(ToPath(path), kPictureSide);
        if (!summary.picture.empty()) {
            CmykToRgb(summary.picture);
            m_picture->setPixmap(QPixmap::fromImage(PictureControl::ToImage(summary.picture)));
        }
        m_facts->setText(Facts(summary, m_language));
    } catch (const std::exception& error) {
        // Whatever the reader says is what an import would say.
        m_facts->setText(QString::fromUtf8(error.what()));
    }
}

} // namespace deptrix
