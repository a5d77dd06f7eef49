// The outputs of a preview: the red/blue anaglyph, the stereo pair and the animated GIF.

#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/ProgressBarSink.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "app/Viewport.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/InputFiles.h"
#include "core/WorkFiles.h"
#include "output/Anaglyph.h"
#include "output/GifExport.h"
#include "output/StereoPair.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <algorithm>
#include <span>

namespace deptrix {

void MainWindow::showAnaglyph() {
    stopPreview();
    m_platform.sleepMs(5);
    const Bitmap anaglyph = MakeAnaglyph(m_doc.Views[2], m_doc.Views[6]);
    m_viewport->picture()->showBitmap(anaglyph);
    m_settingsFileName = WithSuffix(m_doc.PsdPath, ".tw3d");
    const QString path = QString::fromStdString(AnaglyphPath(m_doc.PsdPath));
    refuseOutputOverInput(path, true);
    SaveBmp(anaglyph, ToPath(path));
    reportWritten(path);
    m_platform.showMessage(this, m_msgGlasses);
}

void MainWindow::writeStereoPairTo(const QString& path) {
    refuseOutputOverInput(path, true);
    WriteFileAtomically(ToPath(path), EncodeJpeg(SideBySide(m_doc.Views[3], m_doc.Views[6]), 90));
    reportWritten(path, m_platform.openExternal(path));
}

void MainWindow::writeStereoPair() {
    stopPreview();
    m_platform.sleepMs(5);
    const QString path = m_work.path() + kStereoPairFileName;
    writeStereoPairTo(path);
}

void MainWindow::saveStereoPair() {
    stopPreview();
    FileDialogOptions options;
    options.title = "Save stereo pair";
    options.filter = "Stereo pair (*.jps)";
    options.defaultSuffix = "jps";
    options.initialPath = WithSuffix(m_doc.PsdPath, ".jps");
    options.confirmOverwrite = true;
    const QString path = m_platform.saveFileName(this, options);
    if (path.isEmpty()) {
        reportNothingWritten();
        return;
    }
    writeStereoPairTo(path);
}

void MainWindow::exportGif() {
    FileDialogOptions options;
    options.title = "Gif save";
    options.filter = "Gif (*.gif)";
    options.defaultSuffix = "gif";
    options.initialPath = WithSuffix(m_doc.PsdPath, ".gif");
    options.confirmOverwrite = true;
    const QString path = m_platform.saveFileName(this, options);
    if (path.isEmpty()) {
        reportNothingWritten();
        return;
    }
    refuseOutputOverInput(path, true);
    m_platform.setBusyCursor(true);
    ProgressBarSink progress(m_progressBar);
    progress.setPosition(0);
    // The views of the last preview are in memory and the same as their files.
    const std::span<const Bitmap> views = std::span<const Bitmap>(m_doc.Views).subspan(1, kViewCount);
    if (std::all_of(views.begin(), views.end(),
            [](const Bitmap& view) { return !view.empty() && view.format() == PixelFormat::Bgr24; }))
        ExportGif(views, ToPath(path), progress);
    else
        ExportGif(ToPath(m_work.path()), m_doc.ImageMode, ToPath(path), progress);
    progress.setPosition(0);
    reportWritten(path);
    m_platform.beep();
    m_platform.setBusyCursor(false);
}

void MainWindow::refuseOutputOverInput(const QString& path, bool isExport) const {
    InputFiles inputs;
    inputs.add(ToPath(Text(m_doc.PsdPath)), "the picture");
    for (const LayerDepthMap& map : m_doc.LayerDepthMaps)
        if (map.present()) inputs.add(map.path, "a depth map");
    if (isExport) inputs.add(ToPath(m_settingsFileName), "the settings file");
    if (const InputFiles::Input* input = inputs.sameFileAs(ToPath(path)))
        throw Error(Std(TextsFor(m_language)
                            .msgOutputIsInput.arg(QDir::toNativeSeparators(path),
                                QDir::toNativeSeparators(FromPath(input->path)))));
}

void MainWindow::reportNothingWritten() {
    showPrompt(TextsFor(m_language).msgNothingWritten);
}

void MainWindow::reportWritten(const QString& path, bool shown) {
    const LanguageTexts& texts = TextsFor(m_language);
    showPrompt((shown ? texts.msgSaved : texts.msgSavedNotShown).arg(QDir::toNativeSeparators(path)));
}

} // namespace deptrix
