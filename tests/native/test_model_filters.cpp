// Tests of the model chooser's filter list: a plugin's list checked within its bound, then "All files".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/model_filters.h"

namespace {

const std::string ALL_FILES("All files (*.*)\0*.*\0\0", 21);

// The list composed from an exact-size copy of `list`, so AddressSanitizer sees any read past its end; empty
// when it is refused.
std::string compose(const std::string &list)
{
    std::vector<char> exact(list.begin(), list.end());
    char out[MODEL_FILTERS_BYTES];
    out[0] = 'x';
    bool used = composeModelFilters(exact.data(), out);
    EXPECT_EQ(used, out[0] != '\0') << "a refused list leaves the output empty";
    if (!used)
        return std::string();
    size_t length = 0;
    while (out[length] != '\0' || out[length + 1] != '\0')
        ++length;
    return std::string(out, length + 2);
}

// One pair "aaa...\0b\0" with its closing NUL, `bytes` bytes in all.
std::string longPair(size_t bytes)
{
    return std::string(bytes - 4, 'a') + std::string("\0b\0\0", 4);
}

TEST(ModelFilters, PluginPairsComeFirstThenAllFiles)
{
    const std::string one("Wavefront OBJ (*.obj)\0*.obj\0\0", 29);
    const std::string two("Quake II (*.md2)\0*.md2\0Any model (*.md2;*.obj)\0*.md2;*.obj\0\0", 60);
    EXPECT_EQ(one.substr(0, 28) + ALL_FILES, compose(one));
    EXPECT_EQ(two.substr(0, 59) + ALL_FILES, compose(two));
    // The longest list the bound allows: its closing NUL is the bound's last byte.
    const std::string longest = longPair(PLUGIN_FILTERS_MAX_BYTES);
    EXPECT_EQ(longest.substr(0, longest.size() - 1) + ALL_FILES, compose(longest));
}

TEST(ModelFilters, ListsThatAreNotPairsWithinTheBoundAreRefused)
{
    const std::string refused[] = {
        std::string("\0", 1),                               // no pair at all
        std::string("Text only\0\0", 11),                   // a text without its pattern
        std::string("a\0b\0c\0\0", 7),                      // an odd number of strings
        longPair(PLUGIN_FILTERS_MAX_BYTES + 1),             // closed one byte beyond the bound
        longPair(PLUGIN_FILTERS_MAX_BYTES + 1).substr(0, PLUGIN_FILTERS_MAX_BYTES), // and not even there
        std::string(PLUGIN_FILTERS_MAX_BYTES, 'x'),         // one string as long as the bound
    };
    for (const std::string &list : refused)
        EXPECT_EQ("", compose(list)) << list.size() << " bytes";
    char out[MODEL_FILTERS_BYTES];
    EXPECT_FALSE(composeModelFilters(nullptr, out));
}

} // namespace
