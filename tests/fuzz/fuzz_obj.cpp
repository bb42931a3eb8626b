// Fuzzes the OBJ reader: a refused text leaves the mesh and the materials empty, says why and names a line of the
// text; an accepted one is a mesh the .vmr writer accepts, with unit normals and every vertex used, that fits into
// the view's cube, and materials that count no more triangles than the mesh has; the same text with CR LF line
// ends reads the same. The same bytes read as an MTL file give materials with names and clean file names.
#include <cmath>
#include <string>
#include <vector>

#include "model-plugins/obj/obj_format.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/fuzz/fuzz_mesh.h"

namespace {

FuzzSeeds objSeeds()
{
    const char *texts[] = {
        "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\nv -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\nvn 1 0 0\nvn 0 0 -1\nvn -1 0 0\nvn 0 1 0\nvn 0 -1 0\n"
        "f 1/1/1 2/2/1 3/3/1 4/4/1\nf 2/1/2 6/2/2 7/3/2 3/4/2\nf 6/1/3 5/2/3 8/3/3 7/4/3\n"
        "f 5/1/4 1/2/4 4/3/4 8/4/4\nf 4/1/5 3/2/5 7/3/5 8/4/5\nf 5/1/6 6/2/6 2/3/6 1/4/6\n",
        "# corner forms\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvt 0.5\r\nvn 0 0 1\r\n"
        "f 1 2 3\r\nf 1/1 2/1 3/1\r\nf 1//1 2//1 3//1\r\nf -3/-1/-1 -2/1/1 -1//1\r\n",
        "mtllib m.mtl\no thing\ng a b\ns 1\nusemtl red\nv 1 2 \\\n 3\nv +4 -5.5e1 .5 1\nv 7 8 9 0.1 0.2 0.3\n"
        "vt 0.25 0.75 0\nl 1 2\np 3\nf 1/1 2/1 3/1 # tail\nf 3 2 1 1 2\n",
        "v 0 0 0\nv 2 0 0\nv 3 2 0\nv 1 3 0\nv -1 2 0\nf 1 2 3 4 5\nv 1e-40 3e38 -0\nf -1 -2 -3",
        "mtllib my model.mtl \"b c.mtl\"\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl skin\nf 1 2 3\nusemtl metal plate\n"
        "f 3 2 1\nusemtl skin\nf 1 3 2\n",
        "newmtl skin\nKd 1 1 1\nmap_Kd -s 1 1 1 -o 0 0 -bm 0.5 -clamp on textures/skin 2.png\n"
        "newmtl metal plate\r\nmap_Kd \"C:\\art\\metal.tga\" # comment\r\n",
    };
    FuzzSeeds seeds;
    for (const char *text : texts)
        seeds.emplace_back(text, text + std::char_traits<char>::length(text));
    return seeds;
}

FUZZ_HARNESS size_t lineCount(const uint8_t *data, size_t size)
{
    size_t lines = 1;
    for (size_t i = 0; i < size; ++i)
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n')))
            ++lines;
    return lines;
}

FUZZ_HARNESS void checkAccepted(const Mesh &mesh)
{
    checkBuiltMesh(mesh);
    FUZZ_CHECK(meshVertexCount(mesh) <= OBJ_MAX_VERTICES && meshTriangleCount(mesh) <= OBJ_MAX_TRIANGLES,
               "beyond the caps");
}

FUZZ_HARNESS bool hasCr(const uint8_t *data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (data[i] == '\r')
            return true;
    return false;
}

FUZZ_HARNESS std::vector<uint8_t> withCrLf(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            out.push_back('\r');
        out.push_back(data[i]);
    }
    return out;
}

FUZZ_HARNESS bool cleanFileName(const std::string &name)
{
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            return false;
    return !name.empty();
}

FUZZ_HARNESS bool sameMaterials(const ObjMaterials &a, const ObjMaterials &b)
{
    if (a.libraries != b.libraries || a.used.size() != b.used.size())
        return false;
    for (size_t i = 0; i < a.used.size(); ++i)
        if (a.used[i].name != b.used[i].name || a.used[i].triangles != b.used[i].triangles)
            return false;
    return true;
}

FUZZ_HARNESS void checkMaterials(const ObjMaterials &materials, const Mesh &mesh)
{
    FUZZ_CHECK(materials.libraries.size() <= OBJ_MAX_LIBRARIES, "more libraries than the cap");
    for (size_t i = 0; i < materials.libraries.size(); ++i) {
        FUZZ_CHECK(cleanFileName(materials.libraries[i]), "a library name that is no clean file name");
        for (size_t j = 0; j < i; ++j)
            FUZZ_CHECK(materials.libraries[i] != materials.libraries[j], "a library named twice");
    }
    size_t triangles = 0;
    for (const ObjMaterialUse &use : materials.used) {
        FUZZ_CHECK(!use.name.empty(), "a material without a name");
        triangles += use.triangles;
    }
    FUZZ_CHECK(triangles <= meshTriangleCount(mesh), "materials count more triangles than the mesh has");
}

// The bytes as an MTL file, and the picture chosen when every library the text names holds them.
FUZZ_HARNESS void checkMtl(const uint8_t *data, size_t size, const ObjMaterials &materials)
{
    std::vector<MtlMaterial> defined = readMtl(data, size);
    for (const MtlMaterial &material : defined) {
        FUZZ_CHECK(!material.name.empty(), "a material without a name");
        FUZZ_CHECK(material.diffuseMap.empty() || cleanFileName(material.diffuseMap),
                   "a map that is no clean file name");
    }
    std::vector<std::vector<MtlMaterial>> libraries(materials.libraries.size(), defined);
    std::vector<std::string> candidates = objTextureCandidates(materials, libraries);
    FUZZ_CHECK(candidates.size() <= 3, "more than three places for one picture");
    for (size_t i = 0; i < candidates.size(); ++i) {
        FUZZ_CHECK(cleanFileName(candidates[i]), "a candidate that is no clean file name");
        for (size_t j = 0; j < i; ++j)
            FUZZ_CHECK(candidates[i] != candidates[j], "a candidate named twice");
    }
}

// The same text with CR LF line ends must read exactly the same, refusals and their lines included.
FUZZ_HARNESS void checkCrLf(const uint8_t *data, size_t size, const ObjStatus &status, const Mesh &mesh,
                            const ObjMaterials &materials)
{
    if (hasCr(data, size))
        return;
    std::vector<uint8_t> crlf = withCrLf(data, size);
    Mesh other;
    ObjMaterials otherMaterials;
    ObjStatus again = decodeObj(crlf.data(), crlf.size(), other, ObjLimits(), &otherMaterials);
    FUZZ_CHECK(again.error == status.error && again.line == status.line, "CR LF line ends read differently");
    FUZZ_CHECK(other.positions == mesh.positions && other.normals == mesh.normals &&
                   other.texCoords == mesh.texCoords && other.indices == mesh.indices &&
                   other.hasTexCoords == mesh.hasTexCoords,
               "CR LF line ends give another mesh");
    FUZZ_CHECK(sameMaterials(materials, otherMaterials), "CR LF line ends give other materials");
}

} // namespace

FUZZ_SEEDS(objSeeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Start from a mesh with something in it: a refusal must not leave it half filled.
    Mesh mesh = filledMesh();
    ObjMaterials materials;
    materials.libraries = {"left over"};
    ObjStatus status = decodeObj(data, size, mesh, ObjLimits(), &materials);
    checkMaterials(materials, mesh);
    checkMtl(data, size, materials);
    if (status.error != ObjError::None) {
        FUZZ_CHECK(meshEmpty(mesh), "a refused text left data in the mesh");
        FUZZ_CHECK(materials.libraries.empty() && materials.used.empty(), "a refused text left materials");
        FUZZ_CHECK(objErrorText(status.error) != nullptr, "an error without text");
        FUZZ_CHECK(status.reason[0] != '\0', "a refusal without a reason");
        bool lineInText = status.line >= 1 && status.line <= lineCount(data, size);
        FUZZ_CHECK(status.error == ObjError::OutOfMemory || lineInText, "a refusal blamed on a line not in the text");
    } else {
        FUZZ_CHECK(status.line == 0, "a line blamed for no error");
        checkAccepted(mesh);
        checkFitted(mesh);
    }
    checkCrLf(data, size, status, mesh, materials);
    return 0;
}
