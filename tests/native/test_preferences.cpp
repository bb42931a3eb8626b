// The preferences text: what is read, what is skipped, and that what is written reads back.
#include <gtest/gtest.h>

#include <string>

#include "app/preferences.h"

namespace {

Preferences decoded(const std::string &text)
{
    return decodePreferences(text.data(), text.size());
}

}  // namespace

TEST(Preferences, ReadsKeysAndSkipsWhatIsNotAKeyValueLine)
{
    const Preferences p = decoded("# comment\r\n"
                                  "brush.shape = round \r\n"
                                  "\n"
                                  "no equals sign\n"
                                  "bad key!=1\n"
                                  "=empty key\n"
                                  "path=C:\\a b\\c=d.png\n"
                                  "size=3\nsize=5");
    const Preferences expected = {{"brush.shape", "round"}, {"path", "C:\\a b\\c=d.png"}, {"size", "5"}};
    EXPECT_EQ(expected, p);
}

TEST(Preferences, CapsKeysAndValues)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "k" + std::to_string(i) + "=1\n";
    text += "long=" + std::string(2049, 'x') + "\n";
    const Preferences p = decoded(text);
    EXPECT_EQ(256u, p.size());
    EXPECT_EQ(0u, p.count("long"));
}

TEST(Preferences, WrittenTextReadsBackAndUnwritableEntriesAreLeftOut)
{
    const Preferences kept = {{"a", "1"}, {"model", "C:\\m\\x.md2"}, {"empty", ""}};
    Preferences all = kept;
    all["two\nlines"] = "x";
    all["value"] = "line\r\nbreak";
    EXPECT_EQ(kept, decoded(encodePreferences(all)));
}

TEST(Preferences, WholeNumbersAndFlagsWithinTheirRange)
{
    const Preferences p = decoded("n=42\nneg=-7\nbig=99999999999\ntext=4x\nflag=1\noff=0\nodd=2\n");
    struct Case {
        const char *key;
        int32_t low, high;
        bool read;
        int32_t value;
    } cases[] = {{"n", 0, 100, true, 42},  {"n", 0, 41, false, -1},   {"neg", -10, 0, true, -7},
                 {"big", 0, 2147483647, false, -1}, {"text", 0, 9, false, -1}, {"missing", 0, 9, false, -1}};
    for (const Case &c : cases) {
        int32_t value = -1;
        EXPECT_EQ(c.read, preferenceInteger(p, c.key, c.low, c.high, value)) << c.key;
        EXPECT_EQ(c.value, value) << c.key;
    }
    bool flag = false;
    EXPECT_TRUE(preferenceFlag(p, "flag", flag) && flag);
    EXPECT_TRUE(preferenceFlag(p, "off", flag) && !flag);
    EXPECT_FALSE(preferenceFlag(p, "odd", flag));
}
