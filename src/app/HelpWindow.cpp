#include "app/HelpWindow.h"

#include "app/Artwork.h"
#include "app/HelpContent.h"
#include "app/Platform.h"
#include "app/Texts.h"

#include <QEvent>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace deptrix {

HelpWindow::HelpWindow(Platform& platform, int language, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_platform(platform)
    , m_text(new QTextBrowser(this))
    , m_picture(nullptr) {
    setObjectName("Form2");
    setAttribute(Qt::WA_DeleteOnClose);
    m_text->setObjectName("Memo1");
    m_text->setOpenLinks(false);
    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setPixmap(QPixmap::fromImage(LinkPicture(QSize(240, 60))));
    picture->setCursor(Qt::PointingHandCursor);
    picture->setToolTip(kWebAddress);
    picture->installEventFilter(this);
    m_picture = picture;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    setLanguage(language);
    resize(680, 620);
}

void HelpWindow::setLanguage(int language) {
    setWindowTitle(language == 1 ? QString::fromUtf8("帮助") : QString("Help"));
    QTextDocument* document = m_text->document();
    for (int i = 0; i < static_cast<int>(HelpPicture::Count); ++i) {
        const auto picture = static_cast<HelpPicture>(i);
        document->addResource(
            QTextDocument::ImageResource, HelpPictureAddress(picture), DrawHelpPicture(picture, language));
    }
    m_text->setHtml(HelpDocument(language));
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease) {
        m_platform.openExternal(kWebAddress);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace deptrix
