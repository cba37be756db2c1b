#include "base/system_text.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

TEST(SystemText, Utf16BecomesUtf8AndBrokenPairsBecomeReplacements) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", ""},
        {u"C:\\Users\\Anna", "C:\\Users\\Anna"},
        {u"Müller/Données/数据", "Müller/Données/数据"},
        {u"\u00FF\u0100\u07FF\u0800\uFFFF", "\xC3\xBF\xC4\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {u"\U0001F697 \U0010FFFF", "\xF0\x9F\x9A\x97 \xF4\x8F\xBF\xBF"},
        {std::u16string{0xD83D, u'a'}, "\uFFFDa"},         // high surrogate, no low
        {std::u16string{u'a', 0xDE97}, "a\uFFFD"},         // low surrogate alone
        {std::u16string{0xDE97, 0xD83D}, "\uFFFD\uFFFD"},  // the wrong way round
        {std::u16string{u'x', 0xD83D}, "x\uFFFD"},         // cut off at the end
    };
    for (const auto& [utf16, utf8] : cases) EXPECT_EQ(Utf8FromUtf16(utf16), utf8) << utf8;
}

}  // namespace
}  // namespace vx42
