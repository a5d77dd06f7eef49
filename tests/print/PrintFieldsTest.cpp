#include "print/PrintFields.h"

#include "ScopedLocale.h"
#include "core/Error.h"
#include "core/NumberText.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

// The print reads the same field texts as Preview: typed with the locale's decimal
// separator or with the point the program itself writes.
TEST(PrintFields, TakeThePointAndTheLocaleSeparator) {
    const ScopedLocale comma(kCommaLocale);
    if (!comma.active()) GTEST_SKIP() << kCommaLocale << " is not installed";
    for (const PrintFieldTexts& texts : { PrintFieldTexts { "75,55", "(Auto)", "7,5", "5", "2" },
             PrintFieldTexts { "75.55", "auto", "7.5", "5,0", "2" } }) {
        const PrintFieldValues values = ReadPrintFields(texts);
        EXPECT_EQ(values.lpi, 755500);
        EXPECT_EQ(ResolveDpi(values.outDpi, values.lpi), 755500 * 7);
        EXPECT_EQ(values.widthInches, 7.5L);
        EXPECT_EQ(values.heightInches, 5.0L);
    }
    EXPECT_EQ(ReadPrintFields({ "75", "600,5", "1", "1", "1" }).outDpi, 6005000);
    EXPECT_THROW(ReadPrintFields({ "75,5,5", "(Auto)", "1", "1", "1" }), ConvertError);
    EXPECT_THROW(ReadPrintFields({ "75", "(Auto)", "1.000,5", "1", "1" }), ConvertError);
}

} // namespace
} // namespace deptrix
