// Tests of the pictures tried for a loaded model: the model's folder, joining, and the names tried when the plugin
// names none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/model_texture.h"

namespace {

typedef std::vector<std::string> Names;

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

TEST(ModelTexture, APictureHeldInTheModelIsProposedBesideItAsBaseColourPng)
{
    EXPECT_EQ("models\\box_basecolor.png", embeddedTextureSavePath("models\\box.glb"));
    EXPECT_EQ("C:box_basecolor.png", embeddedTextureSavePath("C:box.gltf"));
}
