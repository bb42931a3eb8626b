// Reading the extension lists that OpenGL and WGL report.
#include "viewport/gl_extensions.h"

#include <cstring>

bool extensionListed(const char *list, const char *name)
{
    if (!list || !name || !name[0])
        return false;
    size_t length = std::strlen(name);
    for (const char *p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        bool startsWord = p == list || p[-1] == ' ';
        bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}
