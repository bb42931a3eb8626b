// Tests of the pictures tried for a loaded model: the plugin's text copied within its bound, the model's folder,
// joining, and the names tried when the plugin names none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/model_texture.h"

namespace {

typedef std::vector<std::string> Names;

// The copy of an exact-size buffer holding `text` (its NUL, if any, included), so AddressSanitizer sees any read
// past its end.
std::string copied(const std::string &text)
{
    std::vector<char> exact(text.begin(), text.end());
    return copyPluginTexturePath(exact.data());
}

TEST(ModelTexture, PluginTextIsCopiedWhenItEndsWithinTheBound)
{
    EXPECT_EQ("skins\\knight.pcx", copied(std::string("skins\\knight.pcx\0junk", 22)));
    EXPECT_EQ("", copyPluginTexturePath(nullptr));
    EXPECT_EQ("", copied(std::string(1, '\0')));
    const std::string longest(PLUGIN_TEXTURE_PATH_MAX_BYTES - 1, 'a');
    EXPECT_EQ(longest, copied(longest + '\0'));
    // One byte more and the NUL lies beyond the bound: nothing is used, and nothing past the bound is read.
    EXPECT_EQ("", copied(longest + 'a'));
    EXPECT_EQ("", copied(longest + "a" + '\0'));
}

TEST(ModelTexture, FolderOfTheModelKeepsItsSeparator)
{
    EXPECT_EQ("models\\knight\\", folderOfModel("models\\knight\\tris.md2"));
    EXPECT_EQ("Z:/art/", folderOfModel("Z:/art/box.obj"));
    EXPECT_EQ("C:", folderOfModel("C:box.obj"));
    EXPECT_EQ("", folderOfModel("box.obj"));
}

TEST(ModelTexture, NamedPictureIsTakenFromTheModelsFolderUnlessAbsolute)
{
    EXPECT_EQ("models\\skins/red.png", joinToFolder("models\\", "skins/red.png"));
    EXPECT_EQ("red.png", joinToFolder("", "red.png"));
    for (const char *absolute : {"C:\\art\\red.png", "c:red.png", "\\art\\red.png", "/art/red.png",
                                 "\\\\server\\share\\red.png"})
        EXPECT_EQ(absolute, joinToFolder("models\\", absolute));
    EXPECT_EQ(Names{"Z:\\work\\models\\..\\skin.pcx"},
              modelTextureCandidates("Z:\\work\\models\\cube.md2", "..\\skin.pcx"));
}

TEST(ModelTexture, WithoutANamedPictureTheModelsOwnNameIsTriedInEachFormat)
{
    EXPECT_EQ((Names{"models\\My Knight.v2.png", "models\\My Knight.v2.tga", "models\\My Knight.v2.bmp",
                     "models\\My Knight.v2.pcx", "models\\My Knight.v2.jpg", "models\\My Knight.v2.jpeg"}),
              modelTextureCandidates("models\\My Knight.v2.obj", ""));
    EXPECT_EQ((Names{"box.png", "box.tga", "box.bmp", "box.pcx", "box.jpg", "box.jpeg"}),
              modelTextureCandidates("box", ""));
    EXPECT_EQ("C:.hidden.png", modelTextureCandidates("C:.hidden", "")[0]);
    EXPECT_EQ(Names{}, modelTextureCandidates("models\\", ""));
}

} // namespace
