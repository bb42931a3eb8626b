// plugincheck's rules: a clean plugin passes, and each breach of a table is named once, blaming the right export.
#include "tools/plugincheck/plugin_rules.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

TextSeen text(const std::string &bytes)
{
    TextSeen t;
    t.call.called = true;
    t.bytes = bytes;
    return t;
}

// What a plugin that keeps the contract shows with a model of two triangles.
PluginObservation cleanPlugin()
{
    PluginObservation seen;
    for (int i = 0; i < CONTRACT_EXPORT_COUNT; ++i)
        seen.exports.push_back(CONTRACT_EXPORTS[i]);
    seen.model = "cube.ply";
    seen.load.called = true;
    seen.loadError = text(std::string(1, '\0'));
    seen.getInfo.called = true;
    seen.countSet = seen.flagSet = true;
    seen.count = 2;
    seen.flag = 1;
    seen.getTexCoord.called = true;
    seen.tableNull = false;
    seen.entries = {EntrySeen::Usable, EntrySeen::Usable};
    seen.freeTable.called = true;
    seen.info = text(std::string("A plugin\0", 9));
    seen.fileFilter = text(std::string("Models (*.m)\0*.m\0\0", 18));
    seen.textureFile = text(std::string("cube.png\0", 9));
    seen.textureFileExists = true;
    seen.draw.called = true;
    seen.glChecked = true;
    seen.glBefore.matrixMode = 0x1700;
    seen.glBefore.boundTexture = 1;
    seen.glBefore.enabled = {"GL_DEPTH_TEST", "GL_LIGHTING", "GL_TEXTURE_2D"};
    seen.glAfter = seen.glBefore;
    return seen;
}

std::vector<Finding> breaches(const PluginObservation &seen)
{
    std::vector<Finding> found;
    for (const Finding &f : checkPlugin(seen))
        if (f.breach)
            found.push_back(f);
    return found;
}

TEST(PluginRules, CleanPluginHasNoBreachAndListsItsExports)
{
    const std::vector<Finding> all = checkPlugin(cleanPlugin());
    EXPECT_TRUE(breaches(cleanPlugin()).empty()) << findingLine(breaches(cleanPlugin())[0]);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ("note exports: sk_load, sk_loaderror, sk_draw, sk_getinfo, sk_gettexcoord, sk_freetexcoordtab, "
              "sk_info, sk_filefilter, sk_texturefile",
              findingLine(all[0]));
}

struct BreachCase {
    const char *name;
    std::function<void(PluginObservation &)> change;
    const char *function;
    const char *words;   // part of the finding's text
};

const BreachCase BREACHES[] = {
    {"mangled load", [](PluginObservation &s) { s.exports[0] = "_Z7sk_loadPKc"; }, "sk_load", "'_Z7sk_loadPKc'"},
    {"stdcall draw", [](PluginObservation &s) { s.exports[2] = "sk_draw@0"; }, "sk_draw", "'sk_draw@0'"},
    {"load faults", [](PluginObservation &s) { s.load.faulted = true; s.load.code = 0xC0000005; }, "sk_load", "0xC0000005"},
    {"reason unterminated", [](PluginObservation &s) { s.loadError.terminated = false; }, "sk_loaderror", "1024"},
    {"reason nowhere", [](PluginObservation &s) { s.loadError.readable = false; }, "sk_loaderror", "leads nowhere"},
    {"count unset", [](PluginObservation &s) { s.countSet = false; }, "sk_getinfo", "count unset"},
    {"flag unset", [](PluginObservation &s) { s.flagSet = false; }, "sk_getinfo", "flag unset"},
    {"negative count", [](PluginObservation &s) { s.count = -2; s.entries.clear(); }, "sk_getinfo", "negative"},
    {"null table", [](PluginObservation &s) { s.tableNull = true; s.entries.clear(); }, "sk_gettexcoord", "no table"},
    {"null entry", [](PluginObservation &s) { s.entries[0] = EntrySeen::Null; }, "sk_gettexcoord", "entry 0 is null"},
    {"entry nowhere", [](PluginObservation &s) { s.entries[0] = EntrySeen::LeadsNowhere; }, "sk_gettexcoord", "entry 0 leads nowhere"},
    {"null corner", [](PluginObservation &s) { s.entries[1] = EntrySeen::NullCorner; }, "sk_gettexcoord", "entry 1 has a null corner"},
    {"corner nowhere", [](PluginObservation &s) { s.entries[1] = EntrySeen::CornerLeadsNowhere; }, "sk_gettexcoord", "corner that leads nowhere"},
    {"not finite", [](PluginObservation &s) { s.entries[1] = EntrySeen::NotFinite; }, "sk_gettexcoord", "not a finite"},
    {"count past the table", [](PluginObservation &s) {
         s.count = 5;
         s.entries.resize(5, EntrySeen::LeadsNowhere);
     }, "sk_getinfo", "holds only 2 readable"},
    {"free faults", [](PluginObservation &s) { s.freeTable.faulted = true; }, "sk_freetexcoordtab", "faulted"},
    {"info null", [](PluginObservation &s) { s.info.null = true; }, "sk_info", "null"},
    {"info unterminated", [](PluginObservation &s) { s.info.terminated = false; }, "sk_info", "4096"},
    {"filter odd", [](PluginObservation &s) { s.fileFilter.bytes = std::string("Models\0\0", 8); }, "sk_filefilter", "odd number"},
    {"filter unended", [](PluginObservation &s) { s.fileFilter.terminated = false; }, "sk_filefilter", "2048"},
    {"filter null", [](PluginObservation &s) { s.fileFilter.null = true; }, "sk_filefilter", "null"},
    {"texture missing", [](PluginObservation &s) { s.textureFileExists = false; }, "sk_texturefile", "does not exist"},
    {"refused keeps triangles", [](PluginObservation &s) {
         s.loadError.bytes = std::string("line 3: bad\0", 12);
         s.textureFile.bytes = std::string(1, '\0');
     }, "sk_getinfo", "while no model is loaded"},
    {"draw faults", [](PluginObservation &s) { s.draw.faulted = true; }, "sk_draw", "faulted"},
    {"matrix mode", [](PluginObservation &s) { s.glAfter.matrixMode = 0x1702; }, "sk_draw", "matrix mode on GL_TEXTURE"},
    {"texture unbound", [](PluginObservation &s) { s.glAfter.boundTexture = 0; }, "sk_draw", "texture 0 bound"},
    {"texture matrix", [](PluginObservation &s) { s.glAfter.textureMatrixIdentity = false; }, "sk_draw", "texture matrix changed"},
    {"attribute pushed", [](PluginObservation &s) { s.glAfter.attributeDepth = 1; }, "sk_draw", "attribute stack 1 deeper"},
    {"modelview pushed", [](PluginObservation &s) { s.glAfter.modelviewDepth = 2; }, "sk_draw", "modelview matrix stack"},
    {"cull face on", [](PluginObservation &s) { s.glAfter.enabled.push_back("GL_CULL_FACE"); }, "sk_draw", "GL_CULL_FACE enabled"},
    {"lighting off", [](PluginObservation &s) { s.glAfter.enabled = {"GL_DEPTH_TEST", "GL_TEXTURE_2D"}; }, "sk_draw", "GL_LIGHTING disabled"},
    {"client array", [](PluginObservation &s) { s.glAfter.clientArrays = {"GL_VERTEX_ARRAY"}; }, "sk_draw", "GL_VERTEX_ARRAY"},
};

TEST(PluginRules, EachBreachIsNamedOnceAgainstItsExport)
{
    for (const BreachCase &c : BREACHES) {
        SCOPED_TRACE(c.name);
        PluginObservation seen = cleanPlugin();
        c.change(seen);
        const std::vector<Finding> found = breaches(seen);
        ASSERT_EQ(1u, found.size()) << (found.empty() ? "none" : findingLine(found[1]));
        EXPECT_EQ(c.function, found[0].function);
        EXPECT_NE(std::string::npos, found[0].text.find(c.words)) << findingLine(found[0]);
    }
}

TEST(PluginRules, MissingRequiredExportIsABreachMissingOptionalANote)
{
    PluginObservation seen = cleanPlugin();
    seen.exports = {"sk_load", "sk_draw"};
    EXPECT_TRUE(breaches(seen).empty());
    seen.exports = {"sk_load"};
    const std::vector<Finding> found = breaches(seen);
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("sk_draw", found[0].function);
}

TEST(PluginRules, DecoratedNamesAreTracedToTheContractName)
{
    const char *const cases[][2] = {
        {"_Z7sk_loadPKc", "sk_load"},          {"?sk_load@@YAHPEBD@Z", "sk_load"},
        {"sk_getinfo@16", "sk_getinfo"},       {"_sk_draw", "sk_draw"},
        {"_Z12sk_loaderrorv", "sk_loaderror"}, {"sk_load", ""},
        {"sk_loadfoo", ""},                    {"DllMain", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c[1], decoratedContractName(c[0])) << c[0];
}

TEST(PluginRules, CoordinatesOutsideTheTextureAreOnlyANote)
{
    PluginObservation seen = cleanPlugin();
    seen.entries[0] = EntrySeen::OutOfRange;
    EXPECT_TRUE(breaches(seen).empty());
}

} // namespace
