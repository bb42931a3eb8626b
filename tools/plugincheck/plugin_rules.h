// plugincheck's rules: what a model plugin was seen to do, and the contract breaches and notes that follow from it.
// Platform-free: the Win32 side (plugincheck.cpp) calls the plugin and fills a PluginObservation.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The exports a plugin may have, in the order they are checked.
extern const char *const CONTRACT_EXPORTS[];
extern const int CONTRACT_EXPORT_COUNT;

// The contract name an export's name is a decorated form of ("_Z7sk_loadPKc", "?sk_load@@YAHPEBD@Z",
// "sk_load@4", "_sk_load" are sk_load), or "" when it is a contract name itself or resembles none.
std::string decoratedContractName(const std::string &exportName);

// One call into the plugin.
struct CallSeen {
    bool called = false;
    bool faulted = false;
    uint32_t code = 0;   // the exception that ended a faulted call
};

// A text an export returned, read up to its NUL (a list up to its empty string) or a bound.
struct TextSeen {
    CallSeen call;
    bool null = false;
    bool readable = true;      // every byte up to the end or the bound could be read
    bool terminated = true;    // the end came within the bound
    std::string bytes;         // what was read, the NULs of a list included
};

// What plugincheck compares before and after sk_draw.
struct GlStateSeen {
    int32_t matrixMode = 0;             // GL_MODELVIEW, GL_TEXTURE, ...
    uint32_t boundTexture = 0;
    bool textureMatrixIdentity = true;
    int32_t attributeDepth = 0, clientAttributeDepth = 0, modelviewDepth = 0, projectionDepth = 0,
            textureDepth = 0;
    std::vector<std::string> enabled;       // names of the capabilities on
    std::vector<std::string> clientArrays;  // names of the client arrays on
    uint32_t error = 0;                     // glGetError after the call, 0 when none
};

// One entry of the texture-coordinate table, as it was found.
enum class EntrySeen { Usable, Null, LeadsNowhere, NullCorner, CornerLeadsNowhere, NotFinite, OutOfRange };

struct PluginObservation {
    std::vector<std::string> exports;   // every name in the DLL's export table
    std::string model;                  // the model file given to sk_load, "" for none
    CallSeen load;
    TextSeen loadError;
    CallSeen getInfo;
    bool countSet = false, flagSet = false;   // sk_getinfo wrote its outputs
    int32_t count = 0, flag = 0;
    CallSeen getTexCoord;
    bool tableNull = true;
    std::vector<EntrySeen> entries;     // the first `count` entries, as far as they were read
    CallSeen freeTable;
    TextSeen info, fileFilter, textureFile;
    bool textureFileExists = false;     // the named picture, beside the model when relative
    CallSeen draw;
    bool glChecked = false;             // sk_draw ran in a context of plugincheck's own
    GlStateSeen glBefore, glAfter;
};

struct Finding {
    bool breach;            // false: a note, which does not fail the check
    std::string function;   // the export to blame, or "" for the library as a whole
    std::string text;
};

// Every finding, in the order of the exports; an empty list means the plugin keeps the contract.
std::vector<Finding> checkPlugin(const PluginObservation &seen);

// One line a finding: "BREACH sk_getinfo: ..." or "note sk_info: ...".
std::string findingLine(const Finding &finding);
