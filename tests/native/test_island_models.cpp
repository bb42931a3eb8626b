// Tests of the island models: what obj.dll reads from their text, their islands, charts and symmetry.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model-plugins/obj/obj_format.h"
#include "uv/uv_layout.h"
#include "tools/island_models.h"

namespace {

// The triangles decodeObj reads from a model's text, in its mesh's order.
std::vector<UvTriangle> readObjTriangles(const std::string &text)
{
    Mesh mesh;
    ObjStatus status = decodeObj(reinterpret_cast<const uint8_t *>(text.data()), text.size(), mesh);
    EXPECT_EQ(status.error, ObjError::None) << status.reason;
    std::vector<UvTriangle> out;
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        UvTriangle t;
        for (int c = 0; c < 3; ++c) {
            t.u[c] = mesh.texCoords[mesh.indices[i + c] * 2];
            t.v[c] = mesh.texCoords[mesh.indices[i + c] * 2 + 1];
        }
        out.push_back(t);
    }
    return out;
}

bool sameTriangles(const std::vector<UvTriangle> &a, const std::vector<UvTriangle> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(UvTriangle)) == 0;
}

TEST(IslandModels, SphereIsSixIslandsAsObjReadsIt)
{
    IslandModel sphere = makeIslandSphere(32);
    ASSERT_EQ(sphere.triangles.size(), 12288u);
    EXPECT_TRUE(sameTriangles(readObjTriangles(sphere.obj), sphere.triangles));
    UvLayout layout;
    buildUvLayout(sphere.triangles.data(), sphere.triangles.size(), 256, 256, layout);
    ASSERT_EQ(layout.islandCount, 6);
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(layout.islandStart[i + 1] - layout.islandStart[i], 2048u);
}

TEST(IslandModels, GutterBoxChartsAreExactlyItsIslands)
{
    IslandModel box = makeGutterBox();
    EXPECT_TRUE(sameTriangles(readObjTriangles(box.obj), box.triangles));
    UvLayout layout;
    buildUvLayout(box.triangles.data(), box.triangles.size(), 256, 256, layout);
    ASSERT_EQ(layout.islandCount, 13);
    ASSERT_EQ(box.charts.size(), 13u);
    std::vector<uint8_t> union_(65536, 0), mask;
    for (const IslandChart &chart : box.charts) {
        const SkinRect &r = chart.texels;
        std::vector<int32_t> under = islandsAtTexel(layout, r.left, r.bottom);
        ASSERT_EQ(under.size(), 1u) << chart.name;
        maskIslands(layout, under.data(), 1, mask);
        for (int32_t y = 0; y < 256; ++y)
            for (int32_t x = 0; x < 256; ++x) {
                bool inside = x >= r.left && x <= r.right && y >= r.bottom && y <= r.top;
                ASSERT_EQ(mask[size_t(y) * 256 + x], inside ? 1 : 0) << chart.name << " at " << x << ", " << y;
                union_[size_t(y) * 256 + x] |= mask[size_t(y) * 256 + x];
            }
        // Every chart has a neighbour 2 to 6 texels away along one axis, and none nearer.
        int32_t nearest = 1000;
        for (const IslandChart &other : box.charts) {
            const SkinRect &o = other.texels;
            int32_t gapX = std::max(o.left - r.right, r.left - o.right) - 1;
            int32_t gapY = std::max(o.bottom - r.top, r.bottom - o.top) - 1;
            if (&other != &chart)
                nearest = std::min(nearest, std::max(gapX, gapY));
        }
        EXPECT_TRUE(nearest >= 2 && nearest <= 6) << chart.name << " " << nearest;
    }
    EXPECT_EQ(union_, layout.covered);
    EXPECT_NE(box.obj.find("# chart hidden-beside-side 216 8 223 71 0\n"), std::string::npos);
}

TEST(IslandModels, GutterBoxIsSymmetricAndItsHiddenPatchesHaveNoArea)
{
    IslandModel box = makeGutterBox();
    Mesh mesh;
    ASSERT_EQ(decodeObj(reinterpret_cast<const uint8_t *>(box.obj.data()), box.obj.size(), mesh).error, ObjError::None);
    std::set<std::array<float, 3>> seen, mirrored;
    size_t hidden = 0;
    for (size_t i = 0; i < mesh.indices.size(); i += 3) {
        std::array<float, 3> p[3];
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                p[c][k] = mesh.positions[mesh.indices[i + c] * 3 + k];
        if (p[0] == p[1] && p[1] == p[2]) {
            ++hidden;
            continue;
        }
        for (const std::array<float, 3> &q : p) {
            seen.insert(q);
            mirrored.insert({-q[0], q[1], q[2]});
        }
    }
    EXPECT_EQ(hidden, 6u);
    EXPECT_EQ(seen, mirrored);
    EXPECT_EQ(seen.size(), 42u);  // the surface points of a 5 x 3 x 3 lattice (x in steps of 0.5)
}

} // namespace
