// The one number reader and writer: each rule's table, run under the C locale and again as on
// a desktop that writes decimals with a comma, where it must read and write the same.

#include "base/numbers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/scripted_prompt.h"
#include "support/comma_locale.h"

namespace vx42 {
namespace {

constexpr NumberRules kWhole{};
constexpr NumberRules kLeading{.extent = NumberExtent::Leading};
constexpr NumberRules kCell{.blanksInside = true};
constexpr NumberRules kInteger{.integer = true};

struct ReadCase {
    const char* text;
    NumberRules rules;
    std::optional<double> number;
};

const std::vector<ReadCase>& ReadCases() {
    static const std::vector<ReadCase> cases = {
        // A whole field: the text is one number, blanks around it allowed.
        {"62.5", kWhole, 62.5},
        {" 0.125\t", kWhole, 0.125},
        {"+3", kWhole, 3},
        {"-.5", kWhole, -0.5},
        {"5.", kWhole, 5},
        {"-2e2", kWhole, -200},
        {"1E-3", kWhole, 0.001},
        {"1 2.5", kWhole, std::nullopt},
        {"12abc", kWhole, std::nullopt},
        {"1.2.3", kWhole, std::nullopt},
        {"+-5", kWhole, std::nullopt},
        {"--5", kWhole, std::nullopt},
        {".", kWhole, std::nullopt},
        {"-", kWhole, std::nullopt},
        {"", kWhole, std::nullopt},
        {"2e", kWhole, std::nullopt},
        // Commas are never decimal points or thousands separators.
        {"1,5", kWhole, std::nullopt},
        {",5", kWhole, std::nullopt},
        {"1,500", kWhole, std::nullopt},
        // Spellings other readers take are not numbers here.
        {"inf", kWhole, std::nullopt},
        {"nan", kWhole, std::nullopt},
        {"0x10", kWhole, std::nullopt},
        {"1e999", kWhole, std::nullopt},
        {"1e-999", kWhole, std::nullopt},
        // Blanks anywhere, as a table cell reads them.
        {" 1 2.5 ", kCell, 12.5},
        {"- 4 0", kCell, -40},
        {"1 ,5", kCell, std::nullopt},
        // The leading number of a text.
        {"  12.5abc", kLeading, 12.5},
        {"62.5 Hz", kLeading, 62.5},
        {"1,5", kLeading, 1},
        {"1e3x", kLeading, 1000},
        {"2e", kLeading, 2},
        {"2e+", kLeading, 2},
        {".5", kLeading, 0.5},
        {"abc", kLeading, std::nullopt},
        {"1e999", kLeading, std::nullopt},
        // Integers: no point, no exponent.
        {"42", kInteger, 42},
        {"-7", kInteger, -7},
        {"4.2", kInteger, std::nullopt},
        {"1e3", kInteger, std::nullopt},
    };
    return cases;
}

void ExpectReadCases() {
    for (const ReadCase& c : ReadCases()) {
        const auto got = ReadNumber(c.text, c.rules);
        EXPECT_EQ(got.has_value(), c.number.has_value()) << '"' << c.text << '"';
        if (got && c.number) {
            EXPECT_EQ(*got, *c.number) << '"' << c.text << '"';
        }
    }
    // The typed-box reading: blanks dropped, the leading number, none is 0.
    EXPECT_EQ(TypedNumber(" 6 2.5"), 62.5);
    EXPECT_EQ(TypedNumber(".25"), 0.25);
    EXPECT_EQ(TypedNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("x"), 0);
    // Walking a text: the number and its length.
    const auto at = ReadNumberAt("-6.5)rest");
    ASSERT_TRUE(at);
    EXPECT_EQ(at->value, -6.5);
    EXPECT_EQ(at->length, 4u);
    EXPECT_FALSE(ReadNumberAt(" 1"));  // no blanks skipped
    const auto whole = ReadIntegerAt("+9007199254740993;");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->value, 9007199254740993);  // beyond a double's 53 bits, exact
    EXPECT_EQ(whole->length, 17u);
    EXPECT_FALSE(ReadIntegerAt("99999999999999999999"));
    EXPECT_FALSE(ReadIntegerAt("+-1"));
    // Unsigned whole numbers in a base, within a maximum.
    EXPECT_EQ(ReadUnsigned(" 500 "), 500u);
    EXPECT_EQ(ReadUnsigned("3b7b", 16), 0x3B7Bu);
    EXPECT_FALSE(ReadUnsigned("65536", 10, 0xFFFF));
    EXPECT_FALSE(ReadUnsigned("-1"));
    EXPECT_FALSE(ReadUnsigned("1.5"));
    EXPECT_FALSE(ReadUnsigned(""));
    // Versions.
    EXPECT_EQ(ReadVersion("2.1.0", 3, 255), (std::vector<std::uint64_t>{2, 1, 0}));
    for (const char* bad :
         {"2.1", "2.1.0.4", "2.1.256", "2..0", "2.1.x", " 2.1.0", "2,1,0", "2.-1.0"})
        EXPECT_FALSE(ReadVersion(bad, 3, 255)) << bad;
}

void ExpectWrittenTexts() {
    EXPECT_EQ(ShortestText(62.5), "62.5");
    EXPECT_EQ(ShortestText(6553.5), "6553.5");
    EXPECT_EQ(ShortestText(12), "12");
    EXPECT_EQ(ShortestText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(FixedPointText(62.5, 2), "62.50");
    EXPECT_EQ(FixedPointText(-0.125, 1), "-0.1");  // correctly rounded from the binary value
    EXPECT_EQ(FixedPointText(1e300, 0).size(), 301u);
    EXPECT_EQ(FixedPointText(7.99, 0), "8");
}

TEST(Numbers, ReadByEachRuleAndWrittenWithAPeriod) {
    ExpectReadCases();
    ExpectWrittenTexts();
}

TEST(Numbers, TheSameOnACommaDecimalDesktop) {
    test::CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << locale.reason();
    // The library's own readers now take the comma: the tool's must not.
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 62.5);
    ASSERT_STREQ(printed, "62,5") << "locale " << locale.name() << " is not in effect";
    ExpectReadCases();
    ExpectWrittenTexts();
}

TEST(Numbers, ATypedCommaIsRefusedWithTheTablesMessage) {
    ScriptedPrompt prompt;
    prompt.ExpectMessage();
    EXPECT_FALSE(AcceptTypedNumber(prompt, "62,5"));
    ASSERT_EQ(prompt.Calls().size(), 1u);
    EXPECT_EQ(prompt.Calls()[0].text,
              "\"62,5\" is not a number. Please enter digits with a period as the decimal point "
              "(Ex. 1.5 or -40).");
    EXPECT_EQ(prompt.Calls()[0].title, kNotANumberTitle);
    EXPECT_TRUE(AcceptTypedNumber(prompt, "62.5"));
    EXPECT_TRUE(AcceptTypedNumber(prompt, "abc"));  // read as 0, as a box always has
    EXPECT_EQ(prompt.Calls().size(), 1u);
    EXPECT_TRUE(prompt.Unexpected().empty());
}

}  // namespace
}  // namespace vx42
