// Tests of the path conversions: UTF-8 inside the program, UTF-16 at the system's edge, unpaired surrogates that
// round-trip, bytes that are not UTF-8 refused, and the form of a model's path a plugin gets.
#include <gtest/gtest.h>

#include <string>

#include "shell/path_text.h"

namespace {

std::string roundTrip(const char *utf8)
{
    std::u16string wide;
    EXPECT_TRUE(utf8ToUtf16(utf8, wide)) << utf8;
    return utf16ToUtf8(wide.data(), wide.size());
}

TEST(PathText, ConvertsEveryLengthOfSequenceBothWays)
{
    struct Case {
        const char *utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"plugins\\vmr.dll", u"plugins\\vmr.dll"},
        {"Z:\\Pelterine \xE8\xA9\xA6\xE3\x81\x97\\tex.bmp", u"Z:\\Pelterine \u8A66\u3057\\tex.bmp"},   // 試し
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"\xF0\x9F\x8E\xA8.bmp", u"\U0001F3A8.bmp"},                                                   // beyond the BMP
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"},                                         // the highest
    };
    for (const Case &c : cases) {
        std::u16string wide = u"stale";
        EXPECT_TRUE(utf8ToUtf16(c.utf8, wide)) << c.utf8;
        EXPECT_EQ(c.utf16, wide) << c.utf8;
        EXPECT_EQ(std::string(c.utf8), utf16ToUtf8(c.utf16.data(), c.utf16.size()));
    }
    std::u16string wide = u"stale";
    EXPECT_TRUE(utf8ToUtf16(nullptr, wide));
    EXPECT_TRUE(wide.empty());
}

TEST(PathText, UnpairedSurrogatesRoundTrip)
{
    const std::u16string names[] = {std::u16string(1, char16_t(0xD800)) + u"x.bmp",
                                    u"a" + std::u16string(1, char16_t(0xDFFF)),
                                    std::u16string(1, char16_t(0xDC00)) + std::u16string(1, char16_t(0xD83C)),
                                    std::u16string(1, char16_t(0xD83C))};
    for (const std::u16string &name : names) {
        const std::string utf8 = utf16ToUtf8(name.data(), name.size());
        std::u16string back;
        EXPECT_TRUE(utf8ToUtf16(utf8.c_str(), back));
        EXPECT_EQ(name, back);
    }
    EXPECT_EQ("\xED\xA0\x80", roundTrip("\xED\xA0\x80"));
}

TEST(PathText, RefusesBytesThatAreNotUtf8)
{
    const char *refused[] = {
        "caf\xE9.bmp",              // "café" in Windows-1252
        "\x80",                     // a continuation byte alone
        "\xC3",                     // a lead byte at the end
        "\xE8\xA9",                 // a sequence cut short
        "\xC0\xAF",                 // an overlong "/"
        "\xE0\x80\xAF",             // another overlong "/"
        "\xF4\x90\x80\x80",         // above U+10FFFF
        "\xF8\x88\x80\x80\x80",     // a five-byte form
        "\xED\xA0\xBC\xED\xBE\xA8", // a pair spelled as two surrogates: only the four-byte form names it
        "ok\xFF",
    };
    for (const char *text : refused) {
        std::u16string wide = u"stale";
        EXPECT_FALSE(utf8ToUtf16(text, wide)) << text;
        EXPECT_TRUE(wide.empty());
    }
}

TEST(PathText, APluginGetsTheAnsiFormThenTheShortFormThenNothing)
{
    EXPECT_EQ(PluginPathForm::ansi, choosePluginPathForm(true, true));
    EXPECT_EQ(PluginPathForm::ansi, choosePluginPathForm(true, false));
    EXPECT_EQ(PluginPathForm::shortForm, choosePluginPathForm(false, true));
    EXPECT_EQ(PluginPathForm::none, choosePluginPathForm(false, false));
}

} // namespace
