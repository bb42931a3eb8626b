// plugincheck's rules: the model plugin contract, applied to what was seen of a plugin.
#include "tools/plugincheck/plugin_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plugins/model_filters.h"

const char *const CONTRACT_EXPORTS[] = {"sk_load",    "sk_loaderror", "sk_draw",       "sk_getinfo",
                                        "sk_gettexcoord", "sk_freetexcoordtab", "sk_info", "sk_filefilter",
                                        "sk_texturefile"};
const int CONTRACT_EXPORT_COUNT = int(sizeof CONTRACT_EXPORTS / sizeof CONTRACT_EXPORTS[0]);

namespace {

// The most bytes of each text the program reads, its NUL included.
const size_t LOAD_ERROR_MAX_BYTES = 1024;
const size_t INFO_MAX_BYTES = 4096;
const size_t TEXTURE_PATH_MAX_BYTES = 1024;

bool exported(const PluginObservation &seen, const char *name)
{
    return std::find(seen.exports.begin(), seen.exports.end(), name) != seen.exports.end();
}

std::string hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(value));
    return text;
}

struct Findings {
    std::vector<Finding> list;
    void breach(const std::string &function, const std::string &text) { list.push_back({true, function, text}); }
    void note(const std::string &function, const std::string &text) { list.push_back({false, function, text}); }
};

// A call that faulted is a breach, and nothing it returned is looked at.
bool faulted(Findings &f, const char *function, const CallSeen &call)
{
    if (call.faulted)
        f.breach(function, "faulted (exception " + hex(call.code) + "): it must catch everything itself");
    return call.faulted;
}

// Common to every text: readable, and ending within the bound. True when the text can be looked at further.
bool textUsable(Findings &f, const char *function, const TextSeen &text, size_t bound)
{
    if (faulted(f, function, text.call))
        return false;
    if (text.null)
        return true;
    if (!text.readable) {
        f.breach(function, "returned a pointer that leads nowhere");
        return false;
    }
    if (!text.terminated) {
        f.breach(function, "returned a text with no NUL within " + std::to_string(bound) + " bytes");
        return false;
    }
    return true;
}

const char *decoratedHint = "declare it extern \"C\" (include plugin_api.h with PELTERINE_PLUGIN_BUILD defined) "
                            "or list the plain name in a .def file";

void checkExports(Findings &f, const PluginObservation &seen)
{
    std::string names;
    for (const std::string &name : seen.exports)
        names += (names.empty() ? "" : ", ") + name;
    f.note("", "exports: " + (names.empty() ? std::string("none") : names));
    std::vector<std::string> decorated;   // contract names found only in a decorated form, named once
    for (const std::string &name : seen.exports) {
        const std::string meant = decoratedContractName(name);
        if (meant.empty() || exported(seen, meant.c_str()) ||
            std::find(decorated.begin(), decorated.end(), meant) != decorated.end())
            continue;
        decorated.push_back(meant);
        f.breach(meant, "is exported only as '" + name + "', a decorated name Pelterine does not look up: " +
                            decoratedHint);
    }
    auto absent = [&](const char *name) {
        return !exported(seen, name) && std::find(decorated.begin(), decorated.end(), name) == decorated.end();
    };
    for (const char *required : {"sk_load", "sk_draw"})
        if (absent(required))
            f.breach(required, "is missing: Pelterine refuses a plugin without it");
    for (const char *warned : {"sk_getinfo", "sk_gettexcoord", "sk_freetexcoordtab", "sk_info"})
        if (absent(warned))
            f.note(warned, "is missing: Pelterine warns when it loads the plugin");
}

void checkLoad(Findings &f, const PluginObservation &seen, bool &refused)
{
    refused = false;
    if (!seen.load.called || faulted(f, "sk_load", seen.load))
        return;
    if (!exported(seen, "sk_loaderror"))
        return;
    const TextSeen &reason = seen.loadError;
    if (!textUsable(f, "sk_loaderror", reason, LOAD_ERROR_MAX_BYTES))
        return;
    refused = !reason.null && !reason.bytes.empty() && reason.bytes[0] != '\0';
    if (refused)
        f.note("sk_loaderror", "refused " + seen.model + ": " + std::string(reason.bytes.c_str()));
}

const char *entryProblem(EntrySeen entry)
{
    switch (entry) {
    case EntrySeen::Null: return "is null";
    case EntrySeen::LeadsNowhere: return "leads nowhere";
    case EntrySeen::NullCorner: return "has a null corner";
    case EntrySeen::CornerLeadsNowhere: return "has a corner that leads nowhere";
    case EntrySeen::NotFinite: return "has a coordinate that is not a finite number";
    case EntrySeen::OutOfRange: return "has a coordinate outside 0 to 1";
    case EntrySeen::Usable: break;
    }
    return "";
}

// The first entry of each kind of problem, and how many there are; a table that is good up to some entry and
// unreadable from there on is shorter than the count sk_getinfo gives.
void checkEntries(Findings &f, const PluginObservation &seen)
{
    const std::vector<EntrySeen> &entries = seen.entries;
    size_t good = 0;
    while (good < entries.size() && entries[good] == EntrySeen::Usable)
        ++good;
    if (good > 0 && good < entries.size() &&
        std::all_of(entries.begin() + long(good), entries.end(), [](EntrySeen e) { return e == EntrySeen::LeadsNowhere; })) {
        f.breach("sk_getinfo", "reports " + std::to_string(seen.count) + " triangles, but sk_gettexcoord's table holds only " +
                                   std::to_string(good) + " readable entries");
        return;
    }
    for (EntrySeen kind : {EntrySeen::Null, EntrySeen::LeadsNowhere, EntrySeen::NullCorner,
                           EntrySeen::CornerLeadsNowhere, EntrySeen::NotFinite, EntrySeen::OutOfRange}) {
        const auto first = std::find(entries.begin(), entries.end(), kind);
        if (first == entries.end())
            continue;
        const long many = long(std::count(entries.begin(), entries.end(), kind));
        std::string text = "returned a table whose entry " + std::to_string(first - entries.begin()) + " " +
                           entryProblem(kind);
        if (many > 1)
            text += " (" + std::to_string(many) + " entries like it)";
        if (kind == EntrySeen::OutOfRange)
            f.note("sk_gettexcoord", text + ": the grid shows only what lies inside the texture");
        else
            f.breach("sk_gettexcoord", text);
    }
}

void checkTable(Findings &f, const PluginObservation &seen, bool loaded)
{
    if (!seen.getInfo.called || faulted(f, "sk_getinfo", seen.getInfo))
        return;
    if (!seen.countSet)
        f.breach("sk_getinfo", "left the triangle count unset");
    if (!seen.flagSet)
        f.breach("sk_getinfo", "left the has-texture-coordinates flag unset");
    if (seen.countSet && seen.count < 0)
        f.breach("sk_getinfo", "reports a negative triangle count (" + std::to_string(seen.count) + ")");
    if (!loaded && seen.countSet && seen.count > 0)
        f.breach("sk_getinfo", "reports " + std::to_string(seen.count) + " triangles while no model is loaded");
    if (!seen.getTexCoord.called || faulted(f, "sk_gettexcoord", seen.getTexCoord))
        return;
    if (seen.count > 0 && seen.tableNull)
        f.breach("sk_gettexcoord", "returned no table for the " + std::to_string(seen.count) +
                                       " triangles sk_getinfo reports");
    else
        checkEntries(f, seen);
    faulted(f, "sk_freetexcoordtab", seen.freeTable);
}

void checkTexts(Findings &f, const PluginObservation &seen, bool loaded)
{
    if (seen.info.call.called && textUsable(f, "sk_info", seen.info, INFO_MAX_BYTES)) {
        if (seen.info.null)
            f.breach("sk_info", "returned null: return a description");
        else if (seen.info.bytes.empty() || seen.info.bytes[0] == '\0')
            f.note("sk_info", "returned an empty description");
    }
    if (seen.fileFilter.call.called && textUsable(f, "sk_filefilter", seen.fileFilter, PLUGIN_FILTERS_MAX_BYTES)) {
        std::string list = seen.fileFilter.bytes;
        list.resize(PLUGIN_FILTERS_MAX_BYTES, '\0');
        const char *fault = seen.fileFilter.null ? "the list is null" : filterListFault(list.c_str());
        if (fault)
            f.breach("sk_filefilter", std::string("returned a file filter Pelterine does not use: ") + fault);
    }
    if (seen.textureFile.call.called &&
        textUsable(f, "sk_texturefile", seen.textureFile, TEXTURE_PATH_MAX_BYTES) && !seen.textureFile.null) {
        const std::string named = seen.textureFile.bytes.c_str();
        if (!named.empty() && !loaded)
            f.breach("sk_texturefile", "names '" + named + "' while no model is loaded");
        else if (!named.empty() && !seen.textureFileExists)
            f.breach("sk_texturefile", "names '" + named + "', which does not exist");
    }
}

const char *matrixModeName(int32_t mode)
{
    switch (mode) {
    case 0x1700: return "GL_MODELVIEW";
    case 0x1701: return "GL_PROJECTION";
    case 0x1702: return "GL_TEXTURE";
    }
    return "an unknown mode";
}

void checkDepth(Findings &f, const char *what, int32_t before, int32_t after)
{
    if (after != before)
        f.breach("sk_draw", std::string("leaves the ") + what + " stack " + std::to_string(after - before) +
                                " deeper than it found it: pop what it pushes");
}

void checkGlState(Findings &f, const PluginObservation &seen)
{
    if (!seen.draw.called || faulted(f, "sk_draw", seen.draw) || !seen.glChecked)
        return;
    const GlStateSeen &a = seen.glBefore, &b = seen.glAfter;
    if (b.matrixMode != a.matrixMode)
        f.breach("sk_draw", std::string("leaves the matrix mode on ") + matrixModeName(b.matrixMode) + " instead of " +
                                matrixModeName(a.matrixMode));
    if (b.boundTexture != a.boundTexture)
        f.breach("sk_draw", "leaves texture " + std::to_string(b.boundTexture) + " bound instead of the skin texture (" +
                                std::to_string(a.boundTexture) + ")");
    if (a.textureMatrixIdentity && !b.textureMatrixIdentity)
        f.breach("sk_draw", "leaves the texture matrix changed");
    checkDepth(f, "attribute", a.attributeDepth, b.attributeDepth);
    checkDepth(f, "client attribute", a.clientAttributeDepth, b.clientAttributeDepth);
    checkDepth(f, "modelview matrix", a.modelviewDepth, b.modelviewDepth);
    checkDepth(f, "projection matrix", a.projectionDepth, b.projectionDepth);
    checkDepth(f, "texture matrix", a.textureDepth, b.textureDepth);
    for (const std::string &name : b.enabled)
        if (std::find(a.enabled.begin(), a.enabled.end(), name) == a.enabled.end())
            f.breach("sk_draw", "leaves " + name + " enabled");
    for (const std::string &name : a.enabled)
        if (std::find(b.enabled.begin(), b.enabled.end(), name) == b.enabled.end())
            f.breach("sk_draw", "leaves " + name + " disabled");
    for (const std::string &name : b.clientArrays)
        if (std::find(a.clientArrays.begin(), a.clientArrays.end(), name) == a.clientArrays.end())
            f.breach("sk_draw", "leaves the client array " + name + " enabled");
    if (b.error != 0)
        f.note("sk_draw", "made a GL call that failed (glGetError " + hex(b.error) + ")");
}

} // namespace

static bool isContractName(const std::string &name)
{
    for (int i = 0; i < CONTRACT_EXPORT_COUNT; ++i)
        if (name == CONTRACT_EXPORTS[i])
            return true;
    return false;
}

// The plain name inside the decorations of the compilers a plugin is built with: GCC's C++ names
// ("_Z7sk_loadPKc": the length, then the name), MSVC's C++ names ("?sk_load@@YAHPEBD@Z"), and __stdcall or
// 32-bit C names ("sk_load@4", "_sk_load").
std::string decoratedContractName(const std::string &exportName)
{
    if (isContractName(exportName))
        return "";
    std::string name;
    size_t at = exportName.find("_Z");
    if (at <= 1) {
        size_t digits = at + 2, length = 0;
        while (digits < exportName.size() && exportName[digits] >= '0' && exportName[digits] <= '9')
            length = length * 10 + size_t(exportName[digits++] - '0');
        name = exportName.substr(digits, length);
    } else if (!exportName.empty() && exportName[0] == '?') {
        name = exportName.substr(1, exportName.find('@') - 1);
    } else {
        name = exportName.substr(0, exportName.find('@'));
        if (!name.empty() && name[0] == '_')
            name.erase(0, 1);
    }
    return isContractName(name) ? name : "";
}

std::vector<Finding> checkPlugin(const PluginObservation &seen)
{
    Findings f;
    checkExports(f, seen);
    bool refused = false;
    checkLoad(f, seen, refused);
    if (seen.load.faulted)   // the program drops a plugin that faults: nothing after that call counts
        return f.list;
    const bool loaded = seen.load.called && !seen.load.faulted && !refused;
    checkTable(f, seen, loaded);
    checkTexts(f, seen, loaded);
    checkGlState(f, seen);
    return f.list;
}

std::string findingLine(const Finding &finding)
{
    return std::string(finding.breach ? "BREACH " : "note ") + (finding.function.empty() ? "" : finding.function + " ") +
           finding.text;
}
