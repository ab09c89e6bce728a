#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fields.h"

namespace {

struct FieldCase {
    std::string_view line;
    int n;
    std::string_view field;
};

std::ostream& operator<<(std::ostream& out, const FieldCase& c) { return out << "'" << c.line << "' field " << c.n; }

class GetFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(GetFieldTest, CountsFromOneAndGivesTheLastFieldPastTheEnd) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(level::GetField(c.line, ',', c.n), c.field) << "line '" << c.line << "' field " << c.n;
}

INSTANTIATE_TEST_SUITE_P(Lines, GetFieldTest,
                         ::testing::Values(FieldCase{"bomba,200,40,14,18,1,500", 1, "bomba"},
                                           FieldCase{"bomba,200,40,14,18,1,500", 3, "40"},
                                           FieldCase{"bomba,200,40,14,18,1,500", 7, "500"},
                                           FieldCase{"bomba,200,40,14,18,1,500", 8, "500"},
                                           FieldCase{"plataforma,300,140,50,10,1,2", 7, "2"},
                                           FieldCase{"plataforma,300,2", 7, "2"},
                                           FieldCase{"bomba,300", 3, "300"},
                                           FieldCase{"bomba,300,", 3, ""},
                                           FieldCase{"bomba,300,", 2, "300"},
                                           FieldCase{"", 1, ""},
                                           FieldCase{"", 4, ""},
                                           FieldCase{",", 1, ""},
                                           FieldCase{",x", 2, "x"},
                                           FieldCase{"a,,c", 2, ""},
                                           FieldCase{"a,,c", 3, "c"},
                                           FieldCase{"start", 2, "start"},
                                           FieldCase{"a,,,,,,,,,,,b", 4, ""},
                                           FieldCase{"keyword12,3456789,x", 3, "x"}));

TEST_P(GetFieldTest, SplittingAllAtOnceAgreesWithOneAtATime) {
    const FieldCase& c = GetParam();
    for (std::size_t count = 1; count <= 8; ++count) {
        std::string_view fields[8];
        level::GetFields(c.line, ',', fields, count);
        for (std::size_t n = 1; n <= count; ++n)
            EXPECT_EQ(fields[n - 1], level::GetField(c.line, ',', static_cast<int>(n)))
                << "line '" << c.line << "' field " << n << " of " << count;
    }
}

TEST(GetFieldTest, UsesTheSeparatorItIsGiven) {
    EXPECT_EQ(level::GetField("a;b,c;d", ';', 2), "b,c");
    EXPECT_EQ(level::GetField("a;b,c;d", ',', 2), "c;d");
}

struct IntCase {
    std::string_view text;
    std::optional<std::int32_t> value;
};

std::ostream& operator<<(std::ostream& out, const IntCase& c) { return out << "'" << c.text << "'"; }

class ParseLevelIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseLevelIntTest, ParsesOrRefuses) {
    const IntCase& c = GetParam();
    EXPECT_EQ(level::ParseLevelInt(c.text), c.value) << "text '" << c.text << "'";
}

constexpr std::optional<std::int32_t> kFails = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Decimal, ParseLevelIntTest,
    ::testing::Values(IntCase{"0", 0}, IntCase{"7", 7}, IntCase{"320", 320}, IntCase{"-40", -40},
                      IntCase{"+40", 40}, IntCase{"-0", 0}, IntCase{"007", 7}, IntCase{"   12", 12},
                      IntCase{"  -12", -12}, IntCase{"2147483647", 2147483647},
                      IntCase{"-2147483648", INT32_MIN}, IntCase{"0000000000002147483647", 2147483647},
                      IntCase{"2147483648", kFails}, IntCase{"-2147483649", kFails},
                      IntCase{"99999999999999999999", kFails}, IntCase{"", kFails}, IntCase{" ", kFails},
                      IntCase{"-", kFails}, IntCase{"+", kFails}, IntCase{"12 ", kFails}, IntCase{"1 2", kFails},
                      IntCase{"- 1", kFails}, IntCase{"\t1", kFails}, IntCase{"1\t", kFails}, IntCase{"+-1", kFails},
                      IntCase{"--1", kFails}, IntCase{"12a", kFails}, IntCase{"1.5", kFails}, IntCase{"1e3", kFails},
                      IntCase{"abc", kFails}, IntCase{"1\r", kFails}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, ParseLevelIntTest,
    ::testing::Values(IntCase{"$10", 16}, IntCase{"x10", 16}, IntCase{"X10", 16}, IntCase{"0x10", 16},
                      IntCase{"0X10", 16}, IntCase{"$aFfA", 45050}, IntCase{"$0", 0}, IntCase{"0x0", 0},
                      IntCase{"$FFFFFFFF", -1}, IntCase{"$7FFFFFFF", 2147483647}, IntCase{"$80000000", INT32_MIN},
                      IntCase{"$000000001", 1}, IntCase{"$00000000000000000FFFFFFFF", -1},
                      IntCase{"$100000000", kFails}, IntCase{"-$1", -1}, IntCase{"-$FFFFFFFF", 1},
                      IntCase{"-$80000000", INT32_MIN}, IntCase{"+$10", 16}, IntCase{"  $10", 16},
                      IntCase{"  -0x10", -16}, IntCase{"$", kFails}, IntCase{"x", kFails}, IntCase{"0x", kFails},
                      IntCase{"-$", kFails}, IntCase{"$G", kFails}, IntCase{"$1G", kFails}, IntCase{"$ 1", kFails},
                      IntCase{"$1 ", kFails}, IntCase{"$-1", kFails}, IntCase{"$$1", kFails},
                      IntCase{"0x0x1", kFails}, IntCase{"1x10", kFails}, IntCase{"h10", kFails},
                      IntCase{"0$10", kFails}));

}  // namespace
