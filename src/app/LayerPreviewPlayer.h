#pragma once

#include <QObject>
#include <filesystem>
#include <functional>

class QTimer;

namespace deptrix {

struct Document;
class PictureControl;

/// Plays one outline layer's warped views back and forth (1..7, 7..1, each end view
/// twice), one per tick of the frame timer, reading each frame from its work file:
/// the working-resolution picture, or for CMYK documents its RGB copy. Only the
/// layer is shown, margins included, without its mask. Other commands run between
/// frames.
class LayerPreviewPlayer : public QObject {
    Q_OBJECT
public:
    LayerPreviewPlayer(Document& doc, PictureControl& picture, QTimer& frameTimer);

    /// Plays layer index `layer` from `workFolder` until doc.LinePreviewStop exceeds
    /// the loop limit, checked after each frame. When `closing` says the window is
    /// going away the loop ends before touching anything. A frame file that cannot
    /// be read throws Error naming it.
    void play(int layer, const std::filesystem::path& workFolder, const std::function<bool()>& closing);

signals:
    /// A frame shows view `view` (1..7).
    void frameShown(int view);

private:
    Document& m_doc;
    PictureControl& m_picture;
    QTimer& m_timer;
};

} // namespace deptrix
