#pragma once

#include <QWidget>

class QLabel;

namespace deptrix {

/// The preview beside the import dialog's file list: the selected file's merged
/// picture, size, colour mode (as stored and as imported) and layer count as our own
/// reader sees them, or why the file cannot be read; in the window's language.
class PsdPreviewPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPictureSide = 220;

    /// `language`: 0 English, 1 Chinese.
    explicit PsdPreviewPane(QWidget* parent = nullptr, int language = 0);

    /// Shows `path`; a folder or an empty path clears the pane.
    void showFile(const QString& path);

    QLabel* pictureLabel() const { return m_picture; }
    QLabel* factsLabel() const { return m_facts; }

private:
    QLabel* m_picture;
    QLabel* m_facts;
    int m_language;
};

} // namespace deptrix
