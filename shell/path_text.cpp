// Paths as the program keeps them (UTF-8) and as the system takes them (UTF-16), and which form a plugin gets.
#include "shell/path_text.h"

#include <cstdint>

namespace {

bool continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// One code point starting at text[0]; the number of bytes it takes, or 0 when they are not UTF-8.
size_t decodeOne(const unsigned char *text, uint32_t &point)
{
    const unsigned char lead = text[0];
    size_t length;
    uint32_t smallest;
    if (lead < 0x80) {
        point = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, smallest = 0x80, point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, smallest = 0x800, point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, smallest = 0x10000, point = lead & 0x07;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!continuation(text[i]))   // the terminating NUL stops here too
            return 0;
        point = (point << 6) | (text[i] & 0x3F);
    }
    return point < smallest || point > 0x10FFFF ? 0 : length;
}

void appendUtf8(std::string &out, uint32_t point)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

} // namespace

bool utf8ToUtf16(const char *text, std::u16string &out)
{
    out.clear();
    if (!text)
        return true;
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    bool afterHighSurrogate = false;
    while (*at) {
        uint32_t point = 0;
        const size_t length = decodeOne(at, point);
        if (length == 0)
            break;
        // Two surrogates that make a pair must have come as one four-byte sequence: as two, they are not the
        // spelling of any UTF-16 name, and accepting them would give two spellings to one name.
        const bool low = point >= 0xDC00 && point <= 0xDFFF;
        if (low && afterHighSurrogate)
            break;
        afterHighSurrogate = point >= 0xD800 && point <= 0xDBFF;
        if (point < 0x10000) {
            out += static_cast<char16_t>(point);
        } else {
            out += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
        at += length;
    }
    if (*at) {
        out.clear();
        return false;
    }
    return true;
}

std::string utf16ToUtf8(const char16_t *text, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t point = text[i];
        const bool pairs = point >= 0xD800 && point <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
                           text[i + 1] <= 0xDFFF;
        if (pairs) {
            point = 0x10000 + ((point - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        }
        appendUtf8(out, point);   // an unpaired surrogate keeps its own three bytes
    }
    return out;
}

PluginPathForm choosePluginPathForm(bool ansiWritesIt, bool shortFormWritesIt)
{
    if (ansiWritesIt)
        return PluginPathForm::ansi;
    return shortFormWritesIt ? PluginPathForm::shortForm : PluginPathForm::none;
}
