// Material libraries of OBJ models: mtllib names split, MTL texts read for their map_Kd, the picture chosen.
#include "model-plugins/obj/obj_material.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "model-plugins/common/model_paths.h"

namespace {

// A run of bytes of the text, not NUL-terminated.
struct TextSpan {
    const char *begin;
    const char *end;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsNoCase(TextSpan span, const char *word)
{
    const char *c = span.begin;
    for (; *word != '\0'; ++word, ++c)
        if (c == span.end || lowerAscii(*c) != lowerAscii(*word))
            return false;
    return c == span.end;
}

bool endsWithNoCase(TextSpan span, const char *suffix)
{
    const std::string text(span.begin, span.end);
    return hasExtension(text, suffix);
}

TextSpan trimmed(TextSpan span)
{
    while (span.begin != span.end && isBlank(*span.begin))
        ++span.begin;
    while (span.end != span.begin && isBlank(span.end[-1]))
        --span.end;
    return span;
}

// The next word of the span, which then starts after it.
TextSpan takeWord(TextSpan &span)
{
    span = trimmed(span);
    const char *start = span.begin;
    while (span.begin != span.end && !isBlank(*span.begin))
        ++span.begin;
    return {start, span.begin};
}

// A word of the options of map_Kd that is a number through and through, so that a file name such as "5.png"
// after an option's last number is not taken for one more.
bool isNumber(TextSpan word)
{
    const char *begin = word.begin;
    if (begin != word.end && *begin == '+')
        ++begin;
    double value = 0.0;
    std::from_chars_result result = std::from_chars(begin, word.end, value);
    return result.ec == std::errc() && result.ptr == word.end;
}

// The options of the texture statements with how many values each takes: the first `least` whatever they are
// (on, off, a channel letter, a number), then up to `most - least` more while they are numbers.
struct MapOption {
    const char *name;
    int least;
    int most;
};

const MapOption MAP_OPTIONS[] = {
    {"-blendu", 1, 1}, {"-blendv", 1, 1}, {"-bm", 1, 1},   {"-boost", 1, 1}, {"-cc", 1, 1},
    {"-clamp", 1, 1},  {"-imfchan", 1, 1}, {"-texres", 1, 1}, {"-type", 1, 1}, {"-mm", 1, 2},
    {"-o", 1, 3},      {"-s", 1, 3},      {"-t", 1, 3},
};

// Steps over one option and its values. One this reader does not know takes all the numbers after it.
void skipOption(TextSpan option, TextSpan &rest)
{
    int least = 0, most = INT_MAX;
    for (const MapOption &known : MAP_OPTIONS)
        if (equalsNoCase(option, known.name)) {
            least = known.least;
            most = known.most;
        }
    for (int taken = 0; taken < most; ++taken) {
        TextSpan after = rest;
        TextSpan value = takeWord(after);
        if (value.begin == value.end || (taken >= least && !isNumber(value)))
            return;
        rest = after;
    }
}

// A file name of a library or texture statement: between quotes when quoted, otherwise as it stands. Names
// with control characters are no file names Windows could hold.
std::string fileNameFrom(TextSpan span)
{
    span = trimmed(span);
    if (span.begin != span.end && *span.begin == '"') {
        const char *close = span.begin + 1;
        while (close != span.end && *close != '"')
            ++close;
        span = trimmed({span.begin + 1, close});
    }
    for (const char *c = span.begin; c != span.end; ++c)
        if (static_cast<unsigned char>(*c) < 0x20)
            return std::string();
    return withBackslashes(std::string(span.begin, span.end));
}

// map_Kd [options] file: the options skipped, the rest of the line the file name, spaces and all.
std::string readMapStatement(TextSpan rest)
{
    for (;;) {
        TextSpan after = rest;
        TextSpan word = takeWord(after);
        if (word.begin == word.end || *word.begin != '-')
            return fileNameFrom(rest);
        rest = after;
        skipOption(word, rest);
    }
}

// The line's arguments: what follows the keyword, without a comment. A '#' starts one only after a blank, so
// a file name may hold one.
TextSpan argumentsOf(TextSpan line)
{
    const char *c = line.begin;
    for (; c != line.end; ++c)
        if (*c == '#' && c != line.begin && isBlank(c[-1]))
            break;
    return trimmed({line.begin, c});
}

void readMtlLine(TextSpan line, std::vector<MtlMaterial> &materials, bool &inMaterial)
{
    TextSpan keyword = takeWord(line);
    if (keyword.begin == keyword.end || *keyword.begin == '#')
        return;
    TextSpan arguments = argumentsOf(line);
    if (equalsNoCase(keyword, "newmtl")) {
        inMaterial = arguments.begin != arguments.end && materials.size() < OBJ_MAX_MATERIAL_COUNT &&
                     size_t(arguments.end - arguments.begin) <= OBJ_MAX_MATERIAL_NAME;
        if (inMaterial)
            materials.push_back({std::string(arguments.begin, arguments.end), std::string()});
    } else if (equalsNoCase(keyword, "map_Kd") && inMaterial) {
        std::string map = readMapStatement(arguments);
        if (!map.empty())
            materials.back().diffuseMap = std::move(map);
    }
}

// A picture the chosen materials are painted with, and the triangles that use it.
struct PictureUse {
    std::string path;    // relative to the OBJ's folder, or absolute
    std::string folder;  // of its library, relative to the OBJ's folder
    std::string name;    // as map_Kd names it
    size_t triangles;
};

void addCandidate(std::vector<std::string> &candidates, const std::string &path)
{
    if (path.empty())
        return;
    for (const std::string &known : candidates)
        if (known == path)
            return;
    candidates.push_back(path);
}

// Each picture with the triangles painted with it, in order of first use.
std::vector<PictureUse> countPictureUse(const ObjMaterials &materials,
                                        const std::vector<std::vector<MtlMaterial>> &libraries)
{
    // Later definitions replace earlier ones, across libraries as within one.
    std::unordered_map<std::string, std::pair<size_t, const MtlMaterial *>> defined;
    for (size_t i = 0; i < libraries.size() && i < materials.libraries.size(); ++i)
        for (const MtlMaterial &material : libraries[i])
            defined[material.name] = {i, &material};
    std::vector<PictureUse> pictures;
    std::unordered_map<std::string, size_t> pictureIndex; // path to its place in `pictures`
    for (const ObjMaterialUse &use : materials.used) {
        auto found = defined.find(use.name);
        if (use.triangles == 0 || found == defined.end() || found->second.second->diffuseMap.empty())
            continue;
        const std::string folder = folderOfPath(materials.libraries[found->second.first]);
        const std::string &name = found->second.second->diffuseMap;
        const std::string path = joinPath(folder, name);
        auto known = pictureIndex.find(path);
        if (known != pictureIndex.end()) {
            pictures[known->second].triangles += use.triangles;
        } else {
            pictureIndex.emplace(path, pictures.size());
            pictures.push_back({path, folder, name, use.triangles});
        }
    }
    return pictures;
}

} // namespace

std::string materialNameFrom(const char *begin, const char *end)
{
    const TextSpan name = argumentsOf({begin, end});
    return std::string(name.begin, name.end);
}

std::vector<std::string> splitLibraryNames(const char *begin, const char *end)
{
    std::vector<std::string> names;
    TextSpan rest = argumentsOf({begin, end});
    for (rest = trimmed(rest); rest.begin != rest.end; rest = trimmed(rest)) {
        const char *start = rest.begin;
        if (*start == '"') {
            const char *close = start + 1;
            while (close != rest.end && *close != '"')
                ++close;
            rest.begin = close == rest.end ? close : close + 1;
        } else {
            // Words up to one that ends with ".mtl", or to the last before a quote or the end.
            for (;;) {
                TextSpan word = takeWord(rest);
                TextSpan after = trimmed(rest);
                if (endsWithNoCase(word, ".mtl") || after.begin == after.end || *after.begin == '"')
                    break;
            }
        }
        std::string name = fileNameFrom({start, rest.begin});
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

std::vector<MtlMaterial> readMtl(const uint8_t *data, size_t size)
{
    std::vector<MtlMaterial> materials;
    if (data == nullptr)
        return materials;
    const char *text = reinterpret_cast<const char *>(data);
    const char *end = text + size;
    bool inMaterial = false;
    for (const char *line = text; line != end;) {
        const char *lineEnd = line;
        while (lineEnd != end && *lineEnd != '\n' && *lineEnd != '\r')
            ++lineEnd;
        readMtlLine({line, lineEnd}, materials, inMaterial);
        line = lineEnd == end ? end : lineEnd + 1;
    }
    return materials;
}

std::vector<std::string> objTextureCandidates(const ObjMaterials &materials,
                                              const std::vector<std::vector<MtlMaterial>> &libraries)
{
    std::vector<std::string> candidates;
    const std::vector<PictureUse> pictures = countPictureUse(materials, libraries);
    const PictureUse *most = nullptr;
    for (const PictureUse &picture : pictures)
        if (most == nullptr || picture.triangles > most->triangles)
            most = &picture;
    if (most == nullptr)
        return candidates;
    const std::string fileName = fileNameOfPath(most->name);
    if (fileName.empty()) // a folder names no picture
        return candidates;
    addCandidate(candidates, most->path);
    addCandidate(candidates, most->folder + fileName);
    addCandidate(candidates, fileName);
    return candidates;
}

ObjPictureUse objPictureUse(const ObjMaterials &materials, const std::vector<std::vector<MtlMaterial>> &libraries)
{
    ObjPictureUse use;
    const std::vector<PictureUse> pictures = countPictureUse(materials, libraries);
    use.pictures = pictures.size();
    for (const PictureUse &picture : pictures)
        use.mostTriangles = std::max(use.mostTriangles, picture.triangles);
    return use;
}
