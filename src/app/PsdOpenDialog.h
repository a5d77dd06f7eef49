#pragma once

#include <QFileDialog>

namespace deptrix {

class PsdPreviewPane;

/// The picture open dialog of the import: Qt's own file dialog (not the desktop's,
/// which takes no side panel) with a preview pane beside the list that follows the
/// selected file.
class PsdOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    PsdOpenDialog(QWidget* parent, const QString& title);

    PsdPreviewPane* previewPane() const { return m_pane; }

private:
    PsdPreviewPane* m_pane;
};

} // namespace deptrix
