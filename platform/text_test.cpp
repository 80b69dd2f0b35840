#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(ToUtf8, EncodesEveryPlaneAndReplacesLoneSurrogates) {
    EXPECT_EQ(ToUtf8(u"\\\\nas\\b"), "\\\\nas\\b");
    EXPECT_EQ(ToUtf8(u"M\u00FCller \u65E5"), "M\xC3\xBCller \xE6\x97\xA5");
    EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    // Each side of every edge: one/two bytes, two/three bytes, below the
    // surrogates, above them, and the ends of the pairs' range.
    EXPECT_EQ(ToUtf8(u"\u007F\u0080"), "\x7F\xC2\x80");
    EXPECT_EQ(ToUtf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(ToUtf8(u"\uD7FF\uE000\uFFFF"), "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF");
    EXPECT_EQ(ToUtf8(u"\U00010000\U0010FFFF"), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    const char16_t loneHigh[] = {u'a', 0xD800, u'b', 0};
    const char16_t loneLow[] = {0xDC00, 0xDFFF, 0};
    EXPECT_EQ(ToUtf8(loneHigh), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(ToUtf8(loneLow), "\xEF\xBF\xBD\xEF\xBF\xBD");
    // A view that ends after a high surrogate: its low half lies beyond and is not read.
    const char16_t pair[] = {u'a', 0xD83D, 0xDE00, 0};
    EXPECT_EQ(ToUtf8(WideStringView(pair, 2)), "a\xEF\xBF\xBD");
}

TEST(BstrToUtf8, ReadsTheLengthPrefixAndTakesNullAsEmpty) {
    const BSTR text = SysAllocString(u"\\\\nas\\M\u00FCller");
    EXPECT_EQ(SysStringLen(text), 12u);
    EXPECT_EQ(BstrToUtf8(text), "\\\\nas\\M\xC3\xBCller");
    SysFreeString(text);
    EXPECT_EQ(BstrToUtf8(nullptr), "");
    const BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(BstrToUtf8(empty), "");
    SysFreeString(empty);
}

}  // namespace
