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
    /// `language`: the window's, for the preview pane (0 English, 1 Chinese).
    PsdOpenDialog(QWidget* parent, const QString& title, int language = 0);

    PsdPreviewPane* previewPane() const { return m_pane; }

private:
    PsdPreviewPane* m_pane;
};

} // namespace deptrix
