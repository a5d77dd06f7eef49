#pragma once

#include <QStatusBar>
#include <vector>

namespace deptrix {

class ElidedLabel;

/// The status bar (`StatusBar1`) with its eleven text panels, numbered from 0 in
/// the order below; captions and values alternate after the brand.
class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kBrandPanel = 0;
    static constexpr int kOriginalInfoPanel = 1; ///< "Original info"
    static constexpr int kSizeCaptionPanel = 2; ///< "Size (cm):"
    static constexpr int kSizePanel = 3; ///< width x height in cm
    static constexpr int kDpiCaptionPanel = 4; ///< "DPI:"
    static constexpr int kDpiPanel = 5;
    static constexpr int kColorCaptionPanel = 6; ///< "Color:"
    static constexpr int kColorPanel = 7;
    static constexpr int kLayersCaptionPanel = 8; ///< "Layers:"
    static constexpr int kLayerCountPanel = 9;
    static constexpr int kPromptPanel = 10;
    static constexpr int kPanelCount = 11;

    explicit StatusPanels(QWidget* parent = nullptr);
    QString text(int panel) const;
    void setText(int panel, const QString& text);
    /// The text as drawn: shortened with "…" when the panel is too narrow for it.
    QString shownText(int panel) const;

    /// The note after the panels (`ApproximationNote`) on what the imported picture
    /// draws only approximately, with one line per layer in its tooltip; hidden when
    /// `summary` is empty.
    void setApproximationNote(const QString& summary, const QString& layers);

    /// The zoom of the picture ("100 %"), at the right end of the bar; empty before
    /// there is a picture.
    void setZoom(const QString& text);
    QString zoom() const;

    /// A short warning in red at the right end of the bar, its explanation in the
    /// tooltip; an empty text hides it.
    void setWarning(const QString& text, const QString& explanation = QString());
    QString warning() const;

private:
    std::vector<ElidedLabel*> m_panels;
    ElidedLabel* m_approximationNote = nullptr;
    ElidedLabel* m_warning = nullptr;
    ElidedLabel* m_zoom = nullptr;
};

} // namespace deptrix
