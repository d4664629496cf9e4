#include "records/Number.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"

namespace tembrel {
namespace {

TEST(NumericValue, ReadsDecimalTextWithTheUsersSeparator) {
    struct Case {
        const char* text;
        const char* separator;
        double value;
    };
    for (const Case& c : std::initializer_list<Case>{{"0", ".", 0},
                                                     {"3599", ".", 3599},
                                                     {"-1", ".", -1},
                                                     {"+7", ".", 7},
                                                     {"  42 ", ".", 42},
                                                     {"5.5", ".", 5.5},
                                                     {"5,5", ",", 5.5},
                                                     {".5", ".", 0.5},
                                                     {"20.", ".", 20}}) {
        EXPECT_DOUBLE_EQ(NumericValue(c.text, c.separator), c.value) << c.text;
    }
}

TEST(NumericValue, FailsOnAnythingElse) {
    for (const char* text : {"", " ", "-", "abc", "12a", "1 2", "5,5", "1e3", "0x10", "--1", "."}) {
        EXPECT_THROW(NumericValue(text, "."), TypeMismatch) << '"' << text << '"';
    }
}

TEST(WholeNumber, ReadsWholeNumbersOnly) {
    EXPECT_EQ(WholeNumber("120"), 120);
    EXPECT_EQ(WholeNumber("-5"), -5);
    EXPECT_EQ(WholeNumber("9007199254740992"), 9007199254740992LL);
    for (const char* text : {"", "5.5", "5,0x", "abc"}) {
        EXPECT_THROW(WholeNumber(text), TypeMismatch) << '"' << text << '"';
    }
    EXPECT_THROW(WholeNumber("18014398509481984"), ArithmeticOverflow);
}

TEST(WholePart, IsTheFloor) {
    EXPECT_EQ(WholePart(5.9), 5);
    EXPECT_EQ(WholePart(-0.5), -1);
    EXPECT_EQ(WholePart(-3), -3);
    EXPECT_THROW(WholePart(1e300), ArithmeticOverflow);
}

TEST(NumberText, IsPlainDecimal) {
    EXPECT_EQ(NumberText(120.0, "."), "120");
    EXPECT_EQ(NumberText(-5.0, "."), "-5");
    EXPECT_EQ(NumberText(0.0, "."), "0");
    EXPECT_EQ(NumberText(5.5, ","), "5,5");
    EXPECT_EQ(NumberText(30.25, "."), "30.25");
    EXPECT_EQ(NumberText(1e15, "."), "1000000000000000");
}

} // namespace
} // namespace tembrel
