// Taking paths apart and joining them, on text alone.
#include "model-plugins/common/model_paths.h"

#include <cstring>

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool hasDrive(const std::string &path)
{
    return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':';
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Where the file name starts: after the last separator, or after a drive's colon.
size_t fileNameStart(const std::string &path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1]))
            return i;
    return hasDrive(path) ? 2 : 0;
}

} // namespace

std::string folderOfPath(const std::string &path)
{
    return path.substr(0, fileNameStart(path));
}

std::string fileNameOfPath(const std::string &path)
{
    return path.substr(fileNameStart(path));
}

bool isAbsolutePath(const std::string &path)
{
    return (!path.empty() && isSeparator(path[0])) || hasDrive(path);
}

std::string joinPath(const std::string &folder, const std::string &name)
{
    return isAbsolutePath(name) ? name : folder + name;
}

std::string withBackslashes(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool hasExtension(const std::string &path, const char *extension)
{
    const size_t length = std::strlen(extension);
    if (path.size() < length)
        return false;
    const size_t start = path.size() - length;
    for (size_t i = 0; i < length; ++i)
        if (lowerAscii(path[start + i]) != lowerAscii(extension[i]))
            return false;
    return true;
}
