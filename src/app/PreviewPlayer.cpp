#include "app/PreviewPlayer.h"

#include "app/PictureControl.h"
#include "app/Viewport.h"
#include "core/Document.h"
#include "render/ViewSet.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

namespace deptrix {

PreviewPlayer::PreviewPlayer(Document& doc, Viewport& viewport, QTimer& frameTimer)
    : m_doc(doc)
    , m_viewport(viewport)
    , m_timer(frameTimer) { }

void PreviewPlayer::takeViews() {
    for (int n = 1; n <= kViewCount; ++n)
        m_pictures[static_cast<size_t>(n)] = PictureControl::ViewOf(m_doc.Views[static_cast<size_t>(n)]);
}

void PreviewPlayer::releaseViews() {
    PictureControl* control = m_viewport.picture();
    const qint64 shown = control->picture().cacheKey();
    for (QImage& picture : m_pictures) {
        if (!picture.isNull() && picture.cacheKey() == shown) control->detachPicture();
        picture = QImage();
    }
}

int PreviewPlayer::FrontLabelLeft(int width, int view) {
    return static_cast<int>(Round(width / 2.0L - 20.0L - view * 50.0L / 7.0L));
}

void PreviewPlayer::WaitForTick(QTimer& timer, const std::function<void()>& meanwhile) {
    timer.start();
    if (meanwhile) meanwhile();
    while (timer.isActive())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void PreviewPlayer::play(const std::function<bool()>& closing) {
    m_shownKey = m_viewport.picture()->picture().cacheKey();
    QLabel* front = m_viewport.frontLabel();
    front->move(static_cast<int>(Round(m_viewport.width() / 2.0L)) - 20, front->y());
    front->show();
    front->raise();
    while (m_doc.AnimStop <= kLoopLimit) {
        // The next frame is scaled for the view while the tick is awaited, so that
        // showing it only draws.
        WaitForTick(m_timer, [this] {
            const int next = ViewForStep(NextAnimStep(m_doc.AnimStep));
            if (next >= 1 && next <= kViewCount)
                m_viewport.picture()->prepare(m_pictures[static_cast<size_t>(next)]);
        });
        if (closing()) return;
        // A command that ran during the wait and stopped the playback may have put up
        // a picture of its own (the red/blue glasses); the last frame leaves it there.
        if (m_doc.AnimStop > kLoopLimit && m_viewport.picture()->picture().cacheKey() != m_shownKey) break;
        m_doc.AnimStep = NextAnimStep(m_doc.AnimStep);
        const int view = ViewForStep(m_doc.AnimStep);
        front->move(FrontLabelLeft(m_viewport.width(), view), front->y());
        if (view >= 1 && view <= kViewCount) {
            m_viewport.picture()->showImage(m_pictures[static_cast<size_t>(view)]);
            m_shownKey = m_viewport.picture()->picture().cacheKey();
            emit frameShown(view);
        }
    }
    front->hide();
}

} // namespace deptrix
