// The plugin's texture path copied within its bound, and the pictures tried for a model, on text alone.
#include "plugins/model_texture.h"

#include <cmath>

namespace {

// Tried in this order when the plugin names no picture: lossless formats first, JPEG last.
const char *const PICTURE_EXTENSIONS[] = {".png", ".tga", ".bmp", ".pcx", ".jpg", ".jpeg"};

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool hasDrive(const std::string &path)
{
    const char c = path.size() >= 2 ? path[0] : '\0';
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

bool isAbsolutePath(const std::string &path)
{
    return (!path.empty() && isSeparator(path[0])) || hasDrive(path);
}

// Where the file name starts: after the last separator, or after a drive's colon.
size_t fileNameStart(const std::string &path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1]))
            return i;
    return hasDrive(path) ? 2 : 0;
}

// The file name without its extension: up to its last dot, unless that dot starts the name (".hidden").
std::string baseNameOf(const std::string &path)
{
    const std::string name = path.substr(fileNameStart(path));
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace

std::string folderOfModel(const std::string &modelPath)
{
    return modelPath.substr(0, fileNameStart(modelPath));
}

std::string joinToFolder(const std::string &folder, const std::string &name)
{
    return isAbsolutePath(name) ? name : folder + name;
}

std::vector<std::string> modelTextureCandidates(const std::string &modelPath, const std::string &namedTexture)
{
    const std::string folder = folderOfModel(modelPath);
    if (!namedTexture.empty())
        return {joinToFolder(folder, namedTexture)};
    const std::string base = baseNameOf(modelPath);
    std::vector<std::string> candidates;
    if (base.empty())
        return candidates;
    for (const char *extension : PICTURE_EXTENSIONS)
        candidates.push_back(folder + base + extension);
    return candidates;
}

std::string embeddedTextureSavePath(const std::string &modelPath)
{
    return folderOfModel(modelPath) + baseNameOf(modelPath) + "_basecolor.png";
}

std::string pictureUseNote(const std::string &modelPath, const std::string &picturePath, int pictures, float share)
{
    if (pictures < 2 || picturePath.empty() || !(share >= 0.0f && share <= 1.0f))
        return std::string();
    long percent = std::lround(double(share) * 100.0);
    // A sliver still shows, and most is not all.
    if (percent == 0 && share > 0.0f)
        percent = 1;
    if (percent == 100 && share < 1.0f)
        percent = 99;
    return modelPath.substr(fileNameStart(modelPath)) + " uses " + std::to_string(pictures) +
           " pictures; Pelterine paints " + picturePath.substr(fileNameStart(picturePath)) + ", used by " +
           std::to_string(percent) + " % of its faces";
}
