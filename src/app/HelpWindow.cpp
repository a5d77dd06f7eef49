#include "app/HelpWindow.h"

#include "app/Artwork.h"
#include "app/Platform.h"
#include "app/Texts.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace deptrix {

namespace {

const char* kHelpText
    = "Deptrix turns a layered picture into the views of a lenticular (3D) or flip print.\n"
      "\n"
      "Working from a project:\n"
      "  1. Open a project (Ctrl+O); its picture and settings are loaded together.\n"
      "  2. Press Preview (F9) and watch the seven views move back and forth.\n"
      "  3. Press Stop (F10).\n"
      "  4. Export: red/blue glasses picture (F11), animated GIF (Ctrl+G), stereo pair (File menu).\n"
      "\n"
      "Working from a layered PSD:\n"
      "  1. Import the PSD (Ctrl+I). Every layer becomes a flat plane; the layer table shows\n"
      "     each layer's depth offset in source pixels (negative: in front of the focus layer,\n"
      "     positive: behind it). Layers inside a folder named \"flip...\" take turns from view\n"
      "     to view and show a group letter.\n"
      "  2. Adjust the offsets in the table, the focus layer (\"Layer 0:\") and the depth factor.\n"
      "  3. Optionally draw outlines with depth orders on a single layer (DrawLine tab) to give\n"
      "     that layer depth of its own, and preview it alone.\n"
      "  4. Preview (F9), Stop (F10), then export as above.\n"
      "\n"
      "Zoom in with Ctrl++ (or Ctrl+=), out with Ctrl+- or F4, or with the magnifier buttons;\n"
      "Ctrl+0 fits the picture into the window, Ctrl+1 shows it at 100 %, and Ctrl with the\n"
      "mouse wheel zooms about the pointer. Hold the space bar and drag to pan.\n"
      "Open a PSD or project by naming it on the command line (deptrix FILE), by dropping it\n"
      "on the window or from File > Recent files.\n"
      "Ctrl+Alt+C switches the window between English and Chinese.\n";

} // namespace

HelpWindow::HelpWindow(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_platform(platform)
    , m_picture(nullptr) {
    setObjectName("Form2");
    setWindowTitle("Help");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* text = new QPlainTextEdit(QString::fromUtf8(kHelpText), this);
    text->setObjectName("Memo1");
    text->setReadOnly(true);
    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setPixmap(QPixmap::fromImage(LinkPicture(QSize(240, 60))));
    picture->setCursor(Qt::PointingHandCursor);
    picture->setToolTip(kWebAddress);
    picture->installEventFilter(this);
    m_picture = picture;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    resize(620, 460);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease) {
        m_platform.openExternal(kWebAddress);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace deptrix
