// Sorting opened files into a model, a picture and the refused, the command line's files, and the block of
// bytes a second start hands over.
#include "app/open_rules.h"

#include <cctype>
#include <cstring>

#include "plugins/model_filters.h"

static char lowered(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

static std::string fileNameOf(const std::string &path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// '*' matches any run of characters, '?' one; iterative, with one point to come back to, so no pattern can
// make it slow.
static bool wildcardMatch(const std::string &pattern, const std::string &name)
{
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lowered(pattern[p]) == lowered(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool isPictureName(const std::string &path)
{
    static const std::vector<std::string> pictures = {"*.bmp", "*.png", "*.tga", "*.jpg", "*.jpeg", "*.pcx", "*.ora"};
    return filterTakes(pictures, path);
}

std::vector<std::string> filterPatterns(const char *pluginFilters)
{
    char checked[MODEL_FILTERS_BYTES];
    if (!composeModelFilters(pluginFilters, checked))
        return {"*.vmr"};
    std::vector<std::string> patterns;
    const char *at = pluginFilters;
    for (bool pattern = false; *at; at += std::strlen(at) + 1, pattern = !pattern) {
        if (!pattern)
            continue;
        std::string list = at;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(';', start);
            if (end == std::string::npos)
                end = list.size();
            std::string one = list.substr(start, end - start);
            while (!one.empty() && one.front() == ' ')
                one.erase(0, 1);
            while (!one.empty() && one.back() == ' ')
                one.pop_back();
            if (!one.empty())
                patterns.push_back(one);
            start = end + 1;
        }
    }
    return patterns;
}

bool filterTakes(const std::vector<std::string> &patterns, const std::string &path)
{
    const std::string name = fileNameOf(path);
    for (const std::string &pattern : patterns)
        if (wildcardMatch(pattern, name))
            return true;
    return false;
}

OpenPlan planOpenFiles(const std::vector<std::string> &paths, const std::vector<std::string> &loadedPatterns,
                       const std::vector<PluginFilter> &plugins)
{
    OpenPlan plan;
    for (const std::string &path : paths) {
        if (isPictureName(path)) {
            if (plan.picture.empty())
                plan.picture = path;
            else
                plan.refused.push_back(path);
            continue;
        }
        bool loadedTakes = filterTakes(loadedPatterns, path);
        const PluginFilter *other = nullptr;
        for (size_t i = 0; !loadedTakes && !other && i < plugins.size(); ++i)
            if (filterTakes(plugins[i].patterns, path))
                other = &plugins[i];
        if ((!loadedTakes && !other) || !plan.model.empty()) {
            plan.refused.push_back(path);
            continue;
        }
        plan.model = path;
        plan.modelPlugin = other ? other->name : std::string();
    }
    return plan;
}

std::string refusedFilesMessage(const std::vector<std::string> &refused)
{
    std::string text;
    for (size_t i = 0; i < refused.size() && i < REFUSED_FILES_NAMED; ++i)
        text += (text.empty() ? "" : "\n") + std::string("Pelterine cannot open ") + refused[i];
    if (refused.size() > REFUSED_FILES_NAMED)
        text += "\nand " + std::to_string(refused.size() - REFUSED_FILES_NAMED) + " more files";
    return text;
}

std::vector<std::string> commandLineFiles(const std::vector<std::string> &arguments)
{
    std::vector<std::string> files;
    for (size_t i = 1; i < arguments.size(); ++i)
        if (!arguments[i].empty())
            files.push_back(arguments[i]);
    return files;
}

std::string encodeHandedFiles(const std::vector<std::string> &paths)
{
    std::string block;
    for (const std::string &path : paths) {
        block += path;
        block += '\0';
    }
    return block;
}

std::vector<std::string> decodeHandedFiles(const char *data, size_t size)
{
    std::vector<std::string> paths;
    size_t start = 0;
    for (size_t i = 0; data && i < size && paths.size() < MAX_HANDED_FILES; ++i) {
        if (data[i] != '\0')
            continue;
        if (i > start)
            paths.emplace_back(data + start, i - start);
        start = i + 1;
    }
    return paths;
}
