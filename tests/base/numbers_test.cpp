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

constexpr std::nullopt_t no = std::nullopt;

// Each rule with texts it reads and what it reads them as.
using ReadCases = std::vector<std::pair<const char*, std::optional<double>>>;

const std::vector<std::pair<NumberRules, ReadCases>>& ReadTable() {
    static const std::vector<std::pair<NumberRules, ReadCases>> table = {
        // A whole field: the text is one number, blanks around it allowed.
        {kWhole, {{"62.5", 62.5}, {" 0.125\t", 0.125}, {"+3", 3}, {"-.5", -0.5}, {"5.", 5}}},
        {kWhole, {{"-2e2", -200}, {"1E-3", 0.001}, {"1 2.5", no}, {"12abc", no}, {"1.2.3", no}}},
        {kWhole, {{"+-5", no}, {"--5", no}, {".", no}, {"-", no}, {"", no}, {"2e", no}}},
        // Commas are never decimal points or thousands separators, and spellings other
        // readers take are not numbers here.
        {kWhole, {{"1,5", no}, {",5", no}, {"1,500", no}, {"inf", no}, {"nan", no}}},
        {kWhole, {{"0x10", no}, {"1e999", no}, {"1e-999", no}}},
        // Blanks anywhere, as a table cell reads them.
        {kCell, {{" 1 2.5 ", 12.5}, {"- 4 0", -40}, {"1 ,5", no}}},
        // The leading number of a text.
        {kLeading, {{"  12.5abc", 12.5}, {"62.5 Hz", 62.5}, {"1,5", 1}, {"1e3x", 1000}}},
        {kLeading, {{"2e", 2}, {"2e+", 2}, {".5", 0.5}, {"abc", no}, {"1e999", no}}},
        // Integers: no point, no exponent.
        {kInteger, {{"42", 42}, {"-7", -7}, {"4.2", no}, {"1e3", no}}},
    };
    return table;
}

void ExpectReadCases() {
    for (const auto& [rules, cases] : ReadTable())
        for (const auto& [text, number] : cases)
            EXPECT_EQ(ReadNumber(text, rules), number) << '"' << text << '"';
    // The typed-box reading: blanks dropped, the leading number, none is 0.
    EXPECT_EQ((std::vector{TypedNumber(" 6 2.5"), TypedNumber(".25"), TypedNumber("abc"),
                           LeadingNumber("x")}),
              (std::vector{62.5, 0.25, 0.0, 0.0}));
    // Walking a text: the number and its length, no blanks skipped; an integer beyond a
    // double's 53 bits exact.
    const auto at = ReadNumberAt("-6.5)rest");
    ASSERT_TRUE(at);
    EXPECT_EQ(std::pair(at->value, at->length), std::pair(-6.5, std::size_t{4}));
    const auto whole = ReadIntegerAt("+9007199254740993;");
    ASSERT_TRUE(whole);
    EXPECT_EQ(std::pair(whole->value, whole->length),
              std::pair(std::int64_t{9007199254740993}, std::size_t{17}));
    EXPECT_FALSE(ReadNumberAt(" 1") || ReadIntegerAt("99999999999999999999") ||
                 ReadIntegerAt("+-1"));
    // Unsigned whole numbers in a base, within a maximum.
    EXPECT_EQ(std::pair(ReadUnsigned(" 500 "), ReadUnsigned("3b7b", 16)),
              std::pair(std::optional<std::uint64_t>{500}, std::optional<std::uint64_t>{0x3B7B}));
    EXPECT_FALSE(ReadUnsigned("65536", 10, 0xFFFF) || ReadUnsigned("-1") || ReadUnsigned("1.5") ||
                 ReadUnsigned(""));
    // Versions.
    EXPECT_EQ(ReadVersion("2.1.0", 3, 255), (std::vector<std::uint64_t>{2, 1, 0}));
    for (const char* bad :
         {"2.1", "2.1.0.4", "2.1.256", "2..0", "2.1.x", " 2.1.0", "2,1,0", "2.-1.0"})
        EXPECT_FALSE(ReadVersion(bad, 3, 255)) << bad;
}

void ExpectWrittenTexts() {
    // Fixed places are correctly rounded from the binary value (-0.125 to "-0.1").
    EXPECT_EQ((std::vector{ShortestText(62.5), ShortestText(6553.5), ShortestText(12),
                           ShortestText(0.1 + 0.2), FixedPointText(62.5, 2),
                           FixedPointText(-0.125, 1), FixedPointText(7.99, 0)}),
              (std::vector<std::string>{"62.5", "6553.5", "12", "0.30000000000000004", "62.50",
                                        "-0.1", "8"}));
    EXPECT_EQ(FixedPointText(1e300, 0).size(), 301u);
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
