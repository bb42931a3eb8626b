// Tests of Mirror through the model on the flat texture (the mirror map on a symmetric test mesh, the mirrored dab,
// the surface read from feedback), the fill seed beside an island, the file origin a fitted model keeps, and the
// line about a model's pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/state.h"
#include "model-plugins/common/mesh_builder.h"
#include "model-plugins/obj/obj_material.h"
#include "paint/brush.h"
#include "paint/model_mirror.h"
#include "plugins/model_texture.h"
#include "skin/fill_seed.h"
#include "texture/skin_store.h"
#include "uv/mirror_map.h"
#include "viewport/feedback_surface.h"

namespace {

const float PLANE = 5.0f;   // the model's plane of symmetry, x = 5, as a fitted model's file origin may lie

// A square of the surface as two triangles: corners at x0..x1, y0..y1 (z = 0, shifted by PLANE in x), each corner's
// texture coordinate given by uvOf.
template <typename UvOf> void addSquare(std::vector<SurfaceTriangle> &out, float x0, float x1, float y0, float y1, UvOf uvOf)
{
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    const int order[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto &tri : order) {
        SurfaceTriangle t = {};
        for (int k = 0; k < 3; ++k) {
            const float x = corners[tri[k]][0], y = corners[tri[k]][1];
            t.position[k][0] = x + PLANE;
            t.position[k][1] = y;
            uvOf(x, y, t.uv[k]);
        }
        out.push_back(t);
    }
}

// Two wings mirrored across the plane, laid out on a 64 x 64 texture apart and turned: the left wing's (x, y) at
// texel column 4 + 8 (x + 3), row 4 + 8 y; the right wing's at column 32 + 8 (x - 1), row 48 - 8 y. A third square on
// the right alone (a raised arm) has no mirror image. Texel (tx, ty) of the left wing mirrors to (51 - tx, 51 - ty).
std::vector<SurfaceTriangle> wingedMesh()
{
    std::vector<SurfaceTriangle> t;
    addSquare(t, -3, -1, 0, 2, [](float x, float y, float *uv) { uv[0] = (4 + 8 * (x + 3)) / 64, uv[1] = (4 + 8 * y) / 64; });
    addSquare(t, 1, 3, 0, 2, [](float x, float y, float *uv) { uv[0] = (32 + 8 * (x - 1)) / 64, uv[1] = (48 - 8 * y) / 64; });
    addSquare(t, 1, 3, 6, 7, [](float x, float y, float *uv) { uv[0] = (52 + 4 * (x - 1)) / 64, uv[1] = (56 + 4 * (y - 6)) / 64; });
    return t;
}

TEST(MirrorMap, EachWingTexelMirrorsToTheOtherWingAndTheUnmatchedPartsToNothing)
{
    const std::vector<SurfaceTriangle> mesh = wingedMesh();
    MirrorMap map;
    buildMirrorMap(mesh.data(), mesh.size(), PLANE, 64, 64, map);
    int32_t mx = 0, my = 0;
    for (int32_t ty = 4; ty < 20; ++ty)
        for (int32_t tx = 4; tx < 20; ++tx) {
            ASSERT_TRUE(mirrorTexelThroughModel(map, tx, ty, mx, my)) << tx << "," << ty;
            EXPECT_EQ(51 - tx, mx) << tx << "," << ty;
            EXPECT_EQ(51 - ty, my) << tx << "," << ty;
            ASSERT_TRUE(mirrorTexelThroughModel(map, mx, my, mx, my));   // and back
            EXPECT_TRUE(mx == tx && my == ty) << tx << "," << ty;
        }
    EXPECT_FALSE(mirrorTexelThroughModel(map, 54, 58, mx, my)) << "the raised arm has no counterpart";
    EXPECT_FALSE(mirrorTexelThroughModel(map, 1, 1, mx, my)) << "the gutter shows no part of the model";
    EXPECT_FALSE(mirrorTexelThroughModel(map, 64, 5, mx, my)) << "off the texture";
    // Mirrored across the drawn x = 0 instead, the wings do not meet: nothing mirrors.
    buildMirrorMap(mesh.data(), mesh.size(), 0.0f, 64, 64, map);
    EXPECT_FALSE(mirrorTexelThroughModel(map, 10, 10, mx, my));
    buildMirrorMap(mesh.data(), 0, PLANE, 64, 64, map);
    EXPECT_FALSE(mirrorTexelThroughModel(map, 10, 10, mx, my)) << "no surface, no mirror";
}

class ModelMirrorPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetToDefaults();
        initSkinStore();
        ASSERT_TRUE(resizeSkinStore(64, 64));
        setModelSurface(wingedMesh(), PLANE);
    }
    void TearDown() override { clearModelSurface(); }
};

TEST_F(ModelMirrorPaint, ADabIsPaintedAgainOnTheOtherWingAndAFillSeedsThere)
{
    ASSERT_TRUE(mirrorsThroughModel());
    brushSettings.penSize = 3;
    paintDabAt(DabKind::pen, 8, 10, false);
    const SkinRect written = paintDabMirroredThroughModel(DabKind::pen, 8, 10, false);
    EXPECT_EQ(42, written.left);
    EXPECT_EQ(44, written.right);
    EXPECT_EQ(40, written.bottom);
    EXPECT_EQ(42, written.top);
    for (int32_t y = 40; y <= 42; ++y)
        for (int32_t x = 42; x <= 44; ++x)
            EXPECT_EQ(brushSettings.penColor[2], skinBase[texelOffset(x, y)]) << x << "," << y;
    EXPECT_EQ(255, skinBase[texelOffset(45, 41)]);
    TexelPoint seed = {0, 0};
    EXPECT_TRUE(mirroredSeed(TexelPoint{5, 6}, seed));
    EXPECT_TRUE(seed.x == 46 && seed.y == 45);
    EXPECT_FALSE(mirroredSeed(TexelPoint{1, 1}, seed)) << "no mirror seed in the gutter";
    clearModelSurface();
    EXPECT_FALSE(mirrorsThroughModel());
    EXPECT_TRUE(mirroredSeed(TexelPoint{5, 6}, seed));
    EXPECT_TRUE(seed.x == 58 && seed.y == 6) << "without a model, across the middle column";
}

TEST(FeedbackSurface, PolygonsBecomeFansInModelCoordinatesAndOtherTokensArePassedOver)
{
    // A 100-pixel view of the box of half side 2 about (1, 0, 3): window x 0..100 is model x -1..3.
    const FeedbackView view = {{1.0, 0.0, 3.0}, 2.0, 100.0};
    auto vertex = [](float x, float y, float z, float s, float t, float q) {
        return std::vector<float>{x, y, z, 1, 1, 1, 1, s, t, 0, q};
    };
    std::vector<float> buffer = {0x0700, 42.0f, 0x0701};   // a pass-through marker, then a point
    const std::vector<float> point = vertex(0, 0, 0, 0, 0, 1);
    buffer.insert(buffer.end(), point.begin(), point.end());
    buffer.insert(buffer.end(), {0x0703, 4.0f});
    for (const std::vector<float> &v : {vertex(0, 0, 0.5f, 0, 0, 1), vertex(100, 0, 0.5f, 1, 0, 1),
                                        vertex(100, 100, 0, 2, 2, 2), vertex(0, 100, 1, 0, 1, 1)})
        buffer.insert(buffer.end(), v.begin(), v.end());
    std::vector<SurfaceTriangle> triangles;
    ASSERT_TRUE(readFeedbackSurface(buffer.data(), buffer.size(), view, triangles));
    ASSERT_EQ(2u, triangles.size());
    const SurfaceTriangle &second = triangles[1];   // corners 0, 2, 3 of the quad
    EXPECT_FLOAT_EQ(-1.0f, second.position[0][0]);
    EXPECT_FLOAT_EQ(-2.0f, second.position[0][1]);
    EXPECT_FLOAT_EQ(3.0f, second.position[0][2]);
    EXPECT_FLOAT_EQ(3.0f, second.position[1][0]);
    EXPECT_FLOAT_EQ(5.0f, second.position[1][2]);   // window depth 0 is the near side, z + half
    EXPECT_FLOAT_EQ(1.0f, second.position[2][2]);
    EXPECT_FLOAT_EQ(1.0f, second.uv[1][0]);          // s / q
    EXPECT_FLOAT_EQ(1.0f, second.uv[2][1]);
    double centre[3], half = 0;
    ASSERT_TRUE(surfaceBox(triangles, centre, half));
    EXPECT_DOUBLE_EQ(2.0, half);
    EXPECT_DOUBLE_EQ(3.0, centre[2]);
    triangles.clear();
    EXPECT_FALSE(readFeedbackSurface(buffer.data(), buffer.size() - 3, view, triangles)) << "cut inside the polygon";
    const float unknown[] = {0x0123};
    EXPECT_FALSE(readFeedbackSurface(unknown, 1, view, triangles));
}

TEST(FillSeed, AClickWithinThreeScreenPixelsOfAnIslandBelongsToIt)
{
    // One island covering texel columns 20..39 of a 64 x 64 texture.
    const UvTriangle square[2] = {{{20 / 64.f, 40 / 64.f, 40 / 64.f}, {0, 0, 1}}, {{20 / 64.f, 40 / 64.f, 20 / 64.f}, {0, 1, 1}}};
    UvLayout layout;
    buildUvLayout(square, 2, 64, 64, layout);
    const ViewMap actual = makeViewMap(64, 64, 64, 64);   // a texel a pixel
    struct Case {
        const ViewMap *map;
        int32_t x;
        int32_t expected;
    };
    ViewMap magnified = makeViewMap(64, 64, 256, 256);    // four pixels a texel
    const Case cases[] = {
        {&actual, 30, 30}, {&actual, 17, 20}, {&actual, 16, 16}, {&actual, 42, 39}, {&actual, 43, 43},
        {&magnified, 78, 20}, {&magnified, 77, 20}, {&magnified, 76, 19}, {&magnified, 75, 18},
    };
    for (const Case &c : cases) {
        const TexelPoint seed = fillSeedAt(*c.map, layout, c.x, 10, FILL_CLICK_REACH);
        EXPECT_EQ(c.expected, seed.x) << "pixel " << c.x << " at " << c.map->viewWidth;
    }
    UvLayout none;
    EXPECT_EQ(17, fillSeedAt(actual, none, 17, 10, FILL_CLICK_REACH).x) << "no islands: the clicked texel";
}

TEST(FileOrigin, AFittedModelKnowsWhereItsFileOriginWent)
{
    Mesh mesh;
    mesh.positions = {0, 0, 0, 10, 2, 0, 4, 4, 1};   // x 0..10: the box's centre is not the file's x = 0
    fitMeshInCube(mesh, 20.0f);
    EXPECT_FLOAT_EQ(-10.0f, mesh.origin[0]);
    EXPECT_FLOAT_EQ(-4.0f, mesh.origin[1]);
    EXPECT_FLOAT_EQ(-1.0f, mesh.origin[2]);
    EXPECT_FLOAT_EQ(mesh.origin[0], mesh.positions[0]);   // the vertex at the file's origin is drawn there
}

TEST(PictureUse, TheMostUsedPictureAndHowManyThereAre)
{
    ObjMaterials materials;
    materials.libraries = {"spider.mtl"};
    materials.used = {{"leg", 38}, {"body", 30}, {"eye", 2}, {"bare", 5}, {"fang", 25}};
    const std::vector<std::vector<MtlMaterial>> libraries = {
        {{"leg", "drkwood2.jpg"}, {"body", "SpiderTex.jpg"}, {"eye", "drkwood2.jpg"}, {"bare", ""}, {"fang", "fang.png"}}};
    const ObjPictureUse use = objPictureUse(materials, libraries);
    EXPECT_EQ(3u, use.pictures);
    EXPECT_EQ(40u, use.mostTriangles);
}

TEST(PictureUse, TheLineSaysWhichPictureIsPaintedOnceThereAreSeveral)
{
    struct Case {
        int pictures;
        float share;
        const char *expected;
    };
    const Case cases[] = {
        {5, 0.38f, "spider.obj uses 5 pictures; Pelterine paints drkwood2.jpg, used by 38 % of its faces"},
        {2, 0.001f, "spider.obj uses 2 pictures; Pelterine paints drkwood2.jpg, used by 1 % of its faces"},
        {2, 0.999f, "spider.obj uses 2 pictures; Pelterine paints drkwood2.jpg, used by 99 % of its faces"},
        {1, 0.5f, ""},
        {3, NAN, ""},
        {3, 1.5f, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.expected, pictureUseNote("models\\spider.obj", "tex/drkwood2.jpg", c.pictures, c.share));
    EXPECT_EQ("", pictureUseNote("spider.obj", "", 5, 0.5f));
}

} // namespace
