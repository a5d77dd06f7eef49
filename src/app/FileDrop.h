#pragma once

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

namespace deptrix {

/// Lets one local file with one of the given suffixes be dropped on a window, and
/// reports it; anything else dropped is refused at the door (no drop cursor).
class FileDrop : public QObject {
    Q_OBJECT
public:
    FileDrop(QWidget* window, QStringList suffixes);

    /// The file the data offers, or empty when it is not exactly one file we open.
    QString acceptedFile(const QMimeData* data) const;

signals:
    void fileDropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList m_suffixes;
};

} // namespace deptrix
