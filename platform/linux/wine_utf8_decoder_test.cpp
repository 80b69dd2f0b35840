#include <string>

#include <gtest/gtest.h>

#include "platform/win_api.h"

namespace {

// Decodes the whole text, terminator included, as the dispatcher does.
std::u16string Decode(const std::string& text) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::u16string decoded(static_cast<size_t>(units), u'?');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, decoded.data(), units), units);
    return decoded;
}

struct Case {
    const char* bytes;
    std::u16string units;  // terminator included where the decoder writes one
};

class Utf8Decoding : public ::testing::TestWithParam<Case> {};

// The expected units are what Wine's MultiByteToWideChar gives for the same bytes.
TEST_P(Utf8Decoding, MatchesTheWindowsBuildsDecoder) { EXPECT_EQ(Decode(GetParam().bytes), GetParam().units); }

INSTANTIATE_TEST_SUITE_P(
    Bytes, Utf8Decoding,
    ::testing::Values(Case{"", {u'\0'}}, Case{"\\\\nas\\b", {u'\\', u'\\', u'n', u'a', u's', u'\\', u'b', 0}},
                      Case{"\xC3\xA9\xE6\x97\xA5", {0xE9, 0x65E5, 0}},
                      Case{"\xF0\x9F\x98\x80", {0xD83D, 0xDE00, 0}},
                      Case{"\xEF\xBF\xBF\xED\x9F\xBF", {0xFFFF, 0xD7FF, 0}},
                      // Each side of every edge of the table of valid sequences.
                      Case{"\x7F\xC2\x80", {0x7F, 0x80, 0}}, Case{"\xDF\xBF\xE0\xA0\x80", {0x7FF, 0x800, 0}},
                      Case{"\xEE\x80\x80", {0xE000, 0}}, Case{"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF, 0}},
                      Case{"\xC2\xBF", {0xBF, 0}}, Case{"\xC2\x7F", {0xFFFD, 0x7F, 0}},
                      Case{"\xC2\xC0", {0xFFFD, 0xFFFD, 0}}, Case{"\xC1\xBF", {0xFFFD, 0xFFFD, 0}},
                      Case{"\xE0\x9F\xBF", {0xFFFD, 0xFFFD, 0}}, Case{"\xED\xBF\xBF", {0xFFFD, 0xFFFD, 0}},
                      Case{"\xF0\x90\x80\x80", {0xD800, 0xDC00, 0}},
                      // Stray continuation bytes and bytes that never start a sequence.
                      Case{"\x80", {0xFFFD, 0}}, Case{"\xFF", {0xFFFD, 0}},
                      Case{"\xC3\xA9\x80\x80z", {0xE9, 0xFFFD, 0xFFFD, u'z', 0}},
                      Case{"a\xC0\xAF" "b", {u'a', 0xFFFD, 0xFFFD, u'b', 0}},
                      Case{"\xF5\x80", {0xFFFD, 0xFFFD, 0}},
                      // Overlong, surrogate and out-of-range forms: their first two bytes make one U+FFFD.
                      Case{"\xE0\x80\x80", {0xFFFD, 0xFFFD, 0}}, Case{"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0}},
                      Case{"\xF0\x8F\xBF\xBF", {0xFFFD, 0xFFFD, 0xFFFD, 0}},
                      Case{"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0}},
                      // Broken by the terminator: the bytes before it make one U+FFFD.
                      Case{"\xDF", {0xFFFD, 0}}, Case{"x\xE2\x82", {u'x', 0xFFFD, 0}},
                      Case{"\xF0\x9F\x98", {0xFFFD, 0}},
                      // Running past the terminator: the rest, terminator and all, is one U+FFFD.
                      Case{"\xF0\x9F", {0xFFFD}}, Case{"\xF0", {0xFFFD}}, Case{"\xE2", {0xFFFD}},
                      Case{"a\xF4", {u'a', 0xFFFD}}));

TEST(Utf8Decoder, RejectsWhatItCannotDo) {
    WCHAR buffer[4];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcd", -1, buffer, 4), 0);  // no room for the terminator
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 8, "abc", -1, nullptr, 0), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, nullptr, 0), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, nullptr, 0), 0);
}

TEST(Utf8Decoder, DecodesAnExplicitLengthWithoutATerminator) {
    WCHAR buffer[4] = {u'?', u'?', u'?', u'?'};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab\xE2\x82", 4, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer, 4), (std::u16string{u'a', u'b', 0xFFFD, u'?'}));
}

}  // namespace
