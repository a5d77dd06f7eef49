#include "app/HelpWindow.h"

#include "WindowFixture.h"
#include "app/HelpContent.h"
#include "app/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QTextBrowser>

namespace deptrix {
namespace {

class Help : public WindowFixture { };

/// The share of the picture's pixels that differ from its corner (the paper).
double InkedShare(const QImage& picture) {
    const QRgb paper = picture.pixel(0, 0);
    int inked = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) inked += picture.pixel(x, y) != paper;
    return static_cast<double>(inked) / (picture.width() * picture.height());
}

HelpWindow* OpenHelp() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<HelpWindow*>(w); help && help->isVisible()) return help;
    return nullptr;
}

// Every section and every picture is in the help in either language, and the help
// follows the window's language while it is open.
TEST_F(Help, HoldsEverySectionAndPictureInBothLanguagesAndFollowsTheSwitch) {
    open();
    window->mainMenu()->entries().showHelp->trigger();
    HelpWindow* help = OpenHelp();
    ASSERT_NE(help, nullptr);
    std::array<QImage, 2> firstPicture;
    for (int language : { 0, 1 }) {
        if (language == 1) window->switchLanguage();
        EXPECT_EQ(help->windowTitle(), language == 1 ? QString::fromUtf8("帮助") : "Help");
        QTextDocument* document = help->text()->document();
        const QString text = document->toPlainText();
        for (const HelpSection& section : HelpSections()) {
            const char* title = language == 1 ? section.chineseTitle : section.englishTitle;
            EXPECT_TRUE(text.contains(QString::fromUtf8(title))) << title;
        }
        // Chinese is Chinese apart from keys, file kinds and the lens terms.
        if (language == 1) {
            const QRegularExpression kept("(?<![A-Za-z])(Ctrl|Alt|Shift|Del|Enter|Deptrix|PSD|TIFF?|Tiff|Gif|"
                                          "DPI|LPI|flip|tw3d)(?![A-Za-z])");
            const QRegularExpressionMatch english
                = QRegularExpression("[A-Za-z]{2,}").match(QString(text).remove(kept));
            EXPECT_FALSE(english.hasMatch()) << english.captured().toStdString();
        }
        const QString html = document->toHtml();
        for (int i = 0; i < static_cast<int>(HelpPicture::Count); ++i) {
            const QUrl address = HelpPictureAddress(static_cast<HelpPicture>(i));
            EXPECT_TRUE(html.contains(address.toString())) << i;
            const auto picture = document->resource(QTextDocument::ImageResource, address).value<QImage>();
            ASSERT_FALSE(picture.isNull()) << i;
            EXPECT_GT(InkedShare(picture), 0.05) << i; // drawn, not blank
        }
        firstPicture[static_cast<std::size_t>(language)]
            = document->resource(QTextDocument::ImageResource, HelpPictureAddress(HelpPicture::DrawOutline))
                  .value<QImage>();
    }
    // The pictures' labels follow the language too.
    EXPECT_NE(firstPicture[0], firstPicture[1]);
    closeWindow(); // and the help with it
    QApplication::processEvents();
    EXPECT_EQ(OpenHelp(), nullptr);
}

} // namespace
} // namespace deptrix
