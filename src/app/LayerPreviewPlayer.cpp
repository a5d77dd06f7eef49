#include "app/LayerPreviewPlayer.h"

#include "app/PictureControl.h"
#include "app/PreviewPlayer.h"
#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/WorkFiles.h"
#include "render/ViewSet.h"

namespace deptrix {

LayerPreviewPlayer::LayerPreviewPlayer(Document& doc, PictureControl& picture, QTimer& frameTimer)
    : m_doc(doc)
    , m_picture(picture)
    , m_timer(frameTimer) { }

void LayerPreviewPlayer::play(
    int layer, const std::filesystem::path& workFolder, const std::function<bool()>& closing) {
    const bool cmyk = m_doc.ImageMode == 4;
    int frame = 0;
    do {
        PreviewPlayer::WaitForTick(m_timer);
        if (closing()) return;
        frame = NextAnimStep(frame);
        const int view = ViewForStep(frame);
        const std::string name
            = cmyk ? OutlineViewDisplayFileName(layer, view - 1) : OutlineViewFileName(layer, view - 1);
        m_picture.showBitmap(LoadBmp(workFolder / name));
        emit frameShown(view);
    } while (m_doc.LinePreviewStop <= kLoopLimit);
}

} // namespace deptrix
