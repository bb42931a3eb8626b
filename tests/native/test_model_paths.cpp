// Tests of the path helpers the model plugins name their files with: folders and file names split at either
// separator or a drive, absolute paths, joining, extensions.
#include <gtest/gtest.h>

#include <string>

#include "model-plugins/common/model_paths.h"

namespace {

TEST(ModelPaths, PathsSplitAtTheirLastSeparatorAndJoinUnlessAbsolute)
{
    const struct {
        const char *path;
        const char *folder;
        const char *fileName;
        bool absolute;
    } cases[] = {
        {"models\\knight/tris.md2", "models\\knight/", "tris.md2", false},
        {"tris.md2", "", "tris.md2", false},
        {"C:tris.md2", "C:", "tris.md2", true},
        {"d:\\tris.md2", "d:\\", "tris.md2", true},
        {"\\\\server\\share\\x.obj", "\\\\server\\share\\", "x.obj", true},
        {"/art/x.obj", "/art/", "x.obj", true},
        {"models\\", "models\\", "", false},
        {"1:x", "", "1:x", false}, // no drive letter
        {"", "", "", false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.folder, folderOfPath(c.path)) << c.path;
        EXPECT_EQ(c.fileName, fileNameOfPath(c.path)) << c.path;
        EXPECT_EQ(c.absolute, isAbsolutePath(c.path)) << c.path;
        EXPECT_EQ(c.absolute ? std::string(c.path) : std::string("base\\") + c.path, joinPath("base\\", c.path));
    }
    EXPECT_EQ("a\\b\\c d.png", withBackslashes("a/b\\c d.png"));
    EXPECT_TRUE(hasExtension("SKIN.PcX", ".pcx"));
    EXPECT_TRUE(hasExtension(".pcx", ".PCX"));
    EXPECT_FALSE(hasExtension("skin.pcx.png", ".pcx"));
    EXPECT_FALSE(hasExtension("pcx", ".pcx"));
}

} // namespace
