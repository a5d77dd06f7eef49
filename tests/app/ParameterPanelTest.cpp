#include "app/ParameterPanel.h"

#include "ScopedLocale.h"
#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/StatusPanels.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace deptrix {
namespace {

class Parameters : public WindowFixture {
protected:
    ParameterPanel* panel = nullptr;
    void SetUp() override {
        open();
        panel = window->parameterPanel();
    }
    void leave(QLineEdit* field, const char* text) {
        field->setText(QString::fromUtf8(text));
        if (field == panel->lpiField())
            window->guard().run([this] { panel->lpiLeft(); });
        else if (field == panel->focusField())
            window->guard().run([this] { panel->focusLeft(); });
        else
            window->guard().run([this] { panel->hScaleLeft(); });
    }
};

TEST_F(Parameters, LpiOutsideNineTo180BecomesSeventyFivePointFiveFive) {
    leave(panel->lpiField(), "8.99");
    EXPECT_EQ(window->document().Lpi, 755500);
    EXPECT_EQ(panel->lpiField()->text(), "75.55");
    leave(panel->lpiField(), "9");
    EXPECT_EQ(window->document().Lpi, 90000);
    leave(panel->lpiField(), "180");
    EXPECT_EQ(window->document().Lpi, 1800000);
    leave(panel->lpiField(), "180.0001");
    EXPECT_EQ(window->document().Lpi, 755500);
    leave(panel->lpiField(), "60");
    leave(panel->lpiField(), "");
    EXPECT_EQ(window->document().Lpi, 600000); // an empty field keeps the value
}

TEST_F(Parameters, FocusOutsideTheLayersMarksNoRow) {
    window->document().LayerCount = 4;
    auto* grid = find<StringGrid>("StringGrid1");
    leave(panel->focusField(), "2");
    EXPECT_EQ(window->document().FocusRow, 2);
    EXPECT_EQ(grid->cell(0, 1), "1");
    EXPECT_EQ(grid->cell(0, 2), "2 <F>");
    EXPECT_EQ(grid->cell(0, 4), "4");
    for (const char* outside : { "0", "-3", "5" }) {
        leave(panel->focusField(), outside);
        EXPECT_EQ(window->document().FocusRow, 0) << outside;
        EXPECT_EQ(panel->focusField()->text(), "0");
        EXPECT_EQ(grid->cell(0, 2), "2");
    }
}

TEST_F(Parameters, FocusAndDepthChangesOutdateTheGlassesPicture) {
    window->anaglyphButton()->setEnabled(true);
    leave(panel->focusField(), "1");
    EXPECT_FALSE(window->anaglyphButton()->isEnabled());
    window->anaglyphButton()->setEnabled(true);
    window->document().OutlinesStale = false;
    panel->depthField()->setText("1.5");
    EXPECT_FALSE(window->anaglyphButton()->isEnabled());
    EXPECT_TRUE(window->document().OutlinesStale);
    EXPECT_EQ(window->document().DepthFactor, 15000);
}

TEST_F(Parameters, DepthBeyondTenBecomesTwoWhileTheTextStays) {
    panel->depthField()->setText("12");
    EXPECT_EQ(window->document().DepthFactor, 20000);
    EXPECT_EQ(panel->depthField()->text(), "12");
    panel->depthField()->setText("-10");
    EXPECT_EQ(window->document().DepthFactor, -100000);
    panel->depthField()->setText("10");
    EXPECT_EQ(window->document().DepthFactor, 100000);
    panel->depthField()->setText("");
    EXPECT_EQ(panel->depthField()->text(), "1.0");
    EXPECT_EQ(window->document().DepthFactor, 10000);
}

TEST_F(Parameters, TextThatIsNotANumberShowsTheMessageAndKeepsTheValue) {
    panel->depthField()->setText("0.5");
    panel->depthField()->setText("-");
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_EQ(platform.errors[0], "Depth: '-' must be a number");
    EXPECT_EQ(window->document().DepthFactor, 5000);

    leave(panel->lpiField(), "forty");
    EXPECT_EQ(platform.errors.last(), "LPI: 'forty' must be a number");
    EXPECT_EQ(window->document().Lpi, 424775);
    EXPECT_EQ(panel->lpiField()->text(), "42.4775"); // the last number it held

    window->document().LayerCount = 4;
    leave(panel->focusField(), "3");
    leave(panel->focusField(), "x");
    EXPECT_EQ(platform.errors.last(), "Layer 0: 'x' must be a whole number");
    EXPECT_EQ(window->document().FocusRow, 3);
    EXPECT_EQ(panel->focusField()->text(), "3");

    leave(panel->hScaleField(), "q");
    EXPECT_EQ(platform.errors.last(), "H Scale: 'q' must be a whole number");
    EXPECT_EQ(platform.errors.size(), 4);
}

TEST_F(Parameters, TextsOnTheWayToANumberWaitAndLeavingAFieldNamesIt) {
    find<QWidget>("GroupBox2")->setEnabled(true);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QLineEdit* depth = panel->depthField();
    QLineEdit* lpi = panel->lpiField();
    const auto type = [](QLineEdit* field, const char* text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    };
    const auto prompt = [&] { return window->statusPanels()->text(StatusPanels::kPromptPanel); };
    type(depth, ".5");
    type(depth, "-1");
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_EQ(window->document().DepthFactor, -10000);
    type(depth, "12");
    EXPECT_EQ(prompt(), " Depth: 12 is outside -10 to 10, so the depth 2 is used");

    // Left on the way to a number, the field names itself and goes back to its number.
    type(depth, "1e");
    EXPECT_TRUE(platform.errors.isEmpty());
    lpi->setFocus();
    EXPECT_EQ(platform.errors, QStringList { "Depth: '1e' must be a number" });
    EXPECT_EQ(depth->text(), "1"); // the number it last took, on the way to "1e"
    EXPECT_EQ(window->document().DepthFactor, 10000);
    // What can never be a number is refused as it is typed.
    type(depth, "x");
    EXPECT_EQ(platform.errors.last(), "Depth: 'x' must be a number");
    // Emptied to type anew, it waits; left empty, it takes 1.0 and says so.
    type(depth, "");
    QTest::keyClick(depth, Qt::Key_Backspace);
    EXPECT_EQ(depth->text(), "");
    lpi->setFocus();
    EXPECT_EQ(depth->text(), "1.0");
    EXPECT_EQ(prompt(), " Depth: the empty field was set to 1.0");

    type(panel->anglesField(), "65");
    lpi->setFocus();
    EXPECT_EQ(platform.errors.last(), "Angles: 65 must be a whole number from 2 to 64");
    EXPECT_EQ(panel->anglesField()->text(), "7");
    type(panel->anglesField(), "64");
    type(lpi, "8");
    panel->anglesField()->setFocus();
    EXPECT_EQ(panel->anglesField()->text(), "64");
    EXPECT_EQ(lpi->text(), "75.55");
    EXPECT_EQ(prompt(), " LPI: 8 is outside 9 to 180 and was replaced by 75.55");
    EXPECT_EQ(platform.errors.size(), 3);
}

TEST_F(Parameters, WidthDerivesTheHeightFromTheAspectRatio) {
    window->document().AspectRatio = 15000;
    panel->widthField()->setText("10");
    // Shown to four decimals; what the files and the print take keeps its digits.
    EXPECT_EQ(panel->heightField()->text(), "6.6667");
    EXPECT_EQ(panel->heightText(), "6.66666666666667");
    window->document().AspectRatio = 5000;
    panel->widthField()->setText("3");
    EXPECT_EQ(panel->heightField()->text(), "6");
}

TEST_F(Parameters, HScaleIsKeptBetweenOneAndSixteen) {
    leave(panel->hScaleField(), "0");
    EXPECT_EQ(panel->hScaleField()->text(), "1");
    leave(panel->hScaleField(), "17");
    EXPECT_EQ(panel->hScaleField()->text(), "16");
    leave(panel->hScaleField(), "");
    EXPECT_EQ(panel->hScaleField()->text(), "4");
    leave(panel->hScaleField(), "9");
    EXPECT_EQ(panel->hScaleField()->text(), "9");
}

TEST_F(Parameters, LengthLimitsStopTypingButNeverCutTheProgramsTexts) {
    find<QWidget>("GroupBox2")->setEnabled(true); // as after an import
    window->show();
    QLineEdit* angles = panel->anglesField(); // three characters
    angles->setText("1234"); // as a configuration file may hold it
    EXPECT_EQ(angles->text(), "1234");
    angles->setFocus();
    angles->end(false);
    QTest::keyClick(angles, Qt::Key_5);
    EXPECT_EQ(angles->text(), "1234"); // no longer by typing
    QTest::keyClick(angles, Qt::Key_Backspace);
    QTest::keyClick(angles, Qt::Key_Backspace);
    EXPECT_EQ(angles->text(), "12"); // but it can be shortened
    QTest::keyClicks(angles, "345");
    EXPECT_EQ(angles->text(), "123");
    angles->clear();
    QTest::keyClicks(angles, "98765");
    EXPECT_EQ(angles->text(), "987");
}

TEST_F(Parameters, LeavingRulesRunOnlyWhenAnotherControlTakesTheFocus) {
    QLineEdit* lpi = panel->lpiField();
    lpi->setText("8.99");
    for (Qt::FocusReason passing :
        { Qt::PopupFocusReason, Qt::MenuBarFocusReason, Qt::ActiveWindowFocusReason }) {
        QFocusEvent out(QEvent::FocusOut, passing);
        QApplication::sendEvent(lpi, &out);
        EXPECT_EQ(lpi->text(), "8.99") << passing; // a menu or another window: still in the field
    }
    EXPECT_EQ(window->document().Lpi, 424775);

    // Moving on to another control of the window leaves the field.
    find<QWidget>("GroupBox2")->setEnabled(true); // as after an import
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    lpi->setFocus(Qt::MouseFocusReason);
    panel->anglesField()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(lpi->text(), "75.55");
    EXPECT_EQ(window->document().Lpi, 755500);

    panel->hScaleField()->setText("0");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(panel->hScaleField(), &popup);
    EXPECT_EQ(panel->hScaleField()->text(), "0");
    QFocusEvent clicked(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(panel->hScaleField(), &clicked);
    EXPECT_EQ(panel->hScaleField()->text(), "1");
}

TEST_F(Parameters, AColourModeListWithoutSelectionSelectsEightBit) {
    panel->colorModeField()->setCurrentIndex(-1);
    panel->colorModeLeft();
    EXPECT_EQ(panel->colorModeField()->currentText(), "8bit");
}

// Under a comma-decimal locale the user may type either separator; what the program
// writes into the fields keeps the point.
TEST_F(Parameters, FieldsTakeTheLocalesDecimalCommaAsWellAsThePoint) {
    const ScopedLocale comma(kCommaLocale);
    if (!comma.active()) GTEST_SKIP() << kCommaLocale << " is not installed";
    leave(panel->lpiField(), "42,5");
    EXPECT_EQ(window->document().Lpi, 425000);
    leave(panel->lpiField(), "60.25");
    EXPECT_EQ(window->document().Lpi, 602500);
    panel->depthField()->setText("1,5");
    EXPECT_EQ(window->document().DepthFactor, 15000);
    panel->widthField()->setText("7,5");
    EXPECT_EQ(panel->heightField()->text(), "7.5");
    panel->widthField()->setText("10.5");
    EXPECT_EQ(panel->heightField()->text(), "10.5");
}

} // namespace
} // namespace deptrix
