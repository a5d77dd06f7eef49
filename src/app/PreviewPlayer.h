#pragma once

#include <QImage>
#include <QObject>
#include <array>
#include <functional>

class QTimer;

namespace deptrix {

struct Document;
class Viewport;

/// Plays the seven views of a preview back and forth (1..7, 7..1, each end view
/// twice), one per tick of the frame timer, with the red "Front" label drifting 50
/// pixels to the left from view 1 to view 7. Playing only shows stored pictures; it
/// never composites. The loop lets every other command run between frames, so a
/// new preview or Stop can happen inside it.
class PreviewPlayer : public QObject {
    Q_OBJECT
public:
    PreviewPlayer(Document& doc, Viewport& viewport, QTimer& frameTimer);

    /// Takes the pictures of Views[1..7] for showing, viewed where they are: nothing
    /// is copied or converted until a frame is shown, and then only that frame.
    void takeViews();
    /// Lets go of the views before anything rebuilds or frees them; a view on show
    /// stays on show as a copy of its own.
    void releaseViews();

    /// Plays until doc.AnimStop exceeds the loop limit. `closing` tells that the window
    /// is going away, in which case nothing more is shown.
    void play(const std::function<bool()>& closing);

    /// Starts the one-shot frame timer, does `meanwhile` (work that counts within the
    /// tick), and lets events run until it has ticked.
    static void WaitForTick(QTimer& timer, const std::function<void()>& meanwhile = {});

    /// Left edge of the "Front" label while view g shows, for a view area `width` wide.
    static int FrontLabelLeft(int width, int view);

signals:
    /// A frame of the playback shows view `view` (1..7).
    void frameShown(int view);

private:
    Document& m_doc;
    Viewport& m_viewport;
    QTimer& m_timer;
    std::array<QImage, 8> m_pictures;
    qint64 m_shownKey = 0;
};

} // namespace deptrix
