#include "app/FileDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace deptrix {

FileDrop::FileDrop(QWidget* window, QStringList suffixes)
    : QObject(window)
    , m_suffixes(std::move(suffixes)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

QString FileDrop::acceptedFile(const QMimeData* data) const {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return QString();
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return QString();
    const QString path = url.toLocalFile();
    if (!m_suffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive)) return QString();
    return path;
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (acceptedFile(drag->mimeData()).isEmpty()) return QObject::eventFilter(watched, event);
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = acceptedFile(drop->mimeData());
        if (path.isEmpty()) return QObject::eventFilter(watched, event);
        drop->acceptProposedAction();
        emit fileDropped(path);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace deptrix
