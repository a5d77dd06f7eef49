// The outputs of a preview: the red/blue anaglyph, the stereo pair and the animated GIF.

#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/ProgressBarSink.h"
#include "app/TextAndPaths.h"
#include "app/Viewport.h"
#include "core/BmpCodec.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "output/Anaglyph.h"
#include "output/GifExport.h"
#include "output/StereoPair.h"

#include <QFileInfo>
#include <QProgressBar>

namespace deptrix {

void MainWindow::showAnaglyph() {
    stopPreview();
    m_platform.sleepMs(5);
    const Bitmap anaglyph = MakeAnaglyph(m_doc.Views[2], m_doc.Views[6]);
    m_viewport->picture()->showBitmap(anaglyph);
    m_settingsFileName = WithSuffix(m_doc.PsdPath, ".tw3d");
    SaveBmp(anaglyph, ToPath(QString::fromStdString(AnaglyphPath(m_doc.PsdPath))));
    m_platform.showMessage(this, m_msgGlasses);
}

void MainWindow::writeStereoPair() {
    stopPreview();
    m_platform.sleepMs(5);
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(SideBySide(m_doc.Views[3], m_doc.Views[6]), 90);
    const QString path = m_work.path() + kStereoPairFileName;
    WriteFileAtomically(ToPath(path), jpeg);
    m_platform.openExternal(path);
}

void MainWindow::exportGif() {
    FileDialogOptions options;
    options.title = "Gif save";
    options.filter = "Gif (*.gif)";
    options.defaultSuffix = "gif";
    options.initialPath = WithSuffix(m_doc.PsdPath, ".gif");
    options.confirmOverwrite = true;
    const QString path = m_platform.saveFileName(this, options);
    if (path.isEmpty()) return;
    m_platform.setBusyCursor(true);
    ProgressBarSink progress(m_progressBar);
    progress.setPosition(0);
    ExportGif(ToPath(m_work.path()), m_doc.ImageMode, ToPath(path), progress);
    progress.setPosition(0);
    m_platform.beep();
    m_platform.setBusyCursor(false);
}

} // namespace deptrix
