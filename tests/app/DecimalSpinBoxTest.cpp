#include "app/DecimalSpinBox.h"

#include "ScopedLocale.h"

#include <QTest>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

double Typed(DecimalSpinBox& spin, const QString& text) {
    spin.selectAll();
    QTest::keyClicks(&spin, text);
    spin.interpretText();
    return spin.value();
}

// The print dialogs' numbers under a comma locale: shown with a point like every other
// field, typed with either separator, and a point never read as a group separator.
TEST(DecimalSpinBox, ShowsAPointAndTakesEitherSeparator) {
    const ScopedLocale comma(kCommaLocale);
    if (!comma.active()) GTEST_SKIP() << kCommaLocale << " is not installed";
    DecimalSpinBox spin;
    spin.setRange(0, 100000);
    spin.setDecimals(3);
    spin.setValue(75.55);
    EXPECT_EQ(spin.text(), "75.550");
    EXPECT_DOUBLE_EQ(Typed(spin, "42,25"), 42.25);
    EXPECT_DOUBLE_EQ(Typed(spin, "42.5"), 42.5);
    EXPECT_DOUBLE_EQ(Typed(spin, "1.000"), 1.0);
    EXPECT_EQ(spin.text(), "1.000");
}

} // namespace
} // namespace deptrix
