// OpenRaster files: a zip of the layer stack's description (stack.xml), one PNG a layer, a thumbnail and the
// merged picture; read from what any program writes, written as other programs read it.
#include "picture/ora.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include <stb_image.h>
#include <stb_image_resize.h>
#include <zlib.h>

#include "picture/zip.h"
#include "picture/bmp.h"

const char ORA_MIMETYPE[] = "image/openraster";
const char *const MSG_ORA_TOO_MANY_LAYERS = "The picture has more than the 64 layers a texture can hold";

namespace {

// stack.xml is a few lines a layer; nothing near this.
const size_t MAX_STACK_XML_BYTES = size_t{4} << 20;
const size_t MAX_XML_DEPTH = 256;

const char *const COMPOSITE_OPS[BLEND_MODE_COUNT] = {"svg:src-over", "svg:multiply", "svg:screen", "svg:overlay",
                                                     "svg:darken",   "svg:lighten",  "svg:plus"};

// ---- The XML subset: elements with attributes; declarations, comments, CDATA and text are passed over. ----

struct XmlAttribute {
    std::string name;
    std::string value;
};

struct XmlTag {
    std::string name;
    std::vector<XmlAttribute> attributes;
    bool closing = false;     // </name>
    bool selfClosing = false; // <name ... />
};

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '-' || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void appendUtf8(std::string &out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// An attribute value with its entity and character references replaced; false on a reference it cannot read.
bool unescape(const char *text, size_t size, std::string &out)
{
    out.clear();
    for (size_t i = 0; i < size; ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const char *end = static_cast<const char *>(std::memchr(text + i, ';', size - i));
        if (end == nullptr)
            return false;
        const std::string entity(text + i + 1, end);
        static const char *const NAMES[5][2] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
        bool known = false;
        for (const auto &name : NAMES)
            if (entity == name[0]) {
                out += name[1];
                known = true;
            }
        if (!known) {
            if (entity.size() < 2 || entity[0] != '#')
                return false;
            const bool hex = entity[1] == 'x';
            const std::string digits = entity.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                return false;
            const unsigned long code = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
            if (code == 0 || code > 0x10FFFF)
                return false;
            appendUtf8(out, static_cast<uint32_t>(code));
        }
        i = static_cast<size_t>(end - text);
    }
    return true;
}

// Reads the next tag from `at`, passing over text, comments, declarations and CDATA. False at the end of the
// text (done set) or on anything malformed (done clear).
bool nextTag(const char *text, size_t size, size_t &at, XmlTag &tag, bool &done)
{
    done = false;
    for (;;) {
        const char *open = static_cast<const char *>(std::memchr(text + at, '<', size - at));
        if (open == nullptr) {
            done = true;
            return false;
        }
        at = static_cast<size_t>(open - text);
        auto skipPast = [&](const char *terminator) {
            const char *end = text + size, *found = std::search(text + at, end, terminator, terminator + std::strlen(terminator));
            if (found == end)
                return false;
            at = static_cast<size_t>(found - text) + std::strlen(terminator);
            return true;
        };
        const size_t left = size - at;
        if (left >= 4 && std::memcmp(text + at, "<!--", 4) == 0) {
            if (!skipPast("-->"))
                return false;
        } else if (left >= 9 && std::memcmp(text + at, "<![CDATA[", 9) == 0) {
            if (!skipPast("]]>"))
                return false;
        } else if (left >= 2 && (text[at + 1] == '?' || text[at + 1] == '!')) {
            if (!skipPast(">"))
                return false;
        } else {
            break;
        }
    }
    tag = XmlTag();
    size_t i = at + 1;
    if (i < size && text[i] == '/') {
        tag.closing = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < size && isNameChar(text[i]))
        ++i;
    if (i == nameStart)
        return false;
    tag.name.assign(text + nameStart, i - nameStart);
    for (;;) {
        while (i < size && isSpace(text[i]))
            ++i;
        if (i >= size)
            return false;
        if (text[i] == '>') {
            at = i + 1;
            return true;
        }
        if (text[i] == '/' && !tag.closing) {
            if (i + 1 >= size || text[i + 1] != '>')
                return false;
            tag.selfClosing = true;
            at = i + 2;
            return true;
        }
        if (tag.closing)
            return false;
        XmlAttribute attribute;
        const size_t attributeStart = i;
        while (i < size && isNameChar(text[i]))
            ++i;
        if (i == attributeStart)
            return false;
        attribute.name.assign(text + attributeStart, i - attributeStart);
        while (i < size && isSpace(text[i]))
            ++i;
        if (i >= size || text[i] != '=')
            return false;
        ++i;
        while (i < size && isSpace(text[i]))
            ++i;
        if (i >= size || (text[i] != '"' && text[i] != '\''))
            return false;
        const char quote = text[i++];
        const char *close = static_cast<const char *>(std::memchr(text + i, quote, size - i));
        if (close == nullptr || !unescape(text + i, static_cast<size_t>(close - text) - i, attribute.value))
            return false;
        i = static_cast<size_t>(close - text) + 1;
        tag.attributes.push_back(std::move(attribute));
    }
}

const std::string *attributeOf(const XmlTag &tag, const char *name)
{
    for (const XmlAttribute &attribute : tag.attributes)
        if (attribute.name == name)
            return &attribute.value;
    return nullptr;
}

// A number attribute; the fallback when it is missing, false when it is there but not a finite number.
bool numberOf(const XmlTag &tag, const char *name, double fallback, double &value)
{
    const std::string *text = attributeOf(tag, name);
    if (text == nullptr) {
        value = fallback;
        return true;
    }
    char *end = nullptr;
    value = std::strtod(text->c_str(), &end);
    while (end != nullptr && isSpace(*end))
        ++end;
    return end != text->c_str() && end != nullptr && *end == '\0' && std::isfinite(value);
}

// What a stack passes on to the layers within it.
struct StackFrame {
    std::string element;
    double x = 0, y = 0, opacity = 1;
    bool visible = true;
    bool holdsLayers = false; // a stack the image's layers are read from
};

// A layer's or a stack's placement and looks, relative to the stack around it.
bool readPlacement(const XmlTag &tag, const StackFrame &outer, StackFrame &frame)
{
    double x = 0, y = 0, opacity = 1;
    if (!numberOf(tag, "x", 0, x) || !numberOf(tag, "y", 0, y) || !numberOf(tag, "opacity", 1, opacity))
        return false;
    const std::string *visibility = attributeOf(tag, "visibility");
    frame.element = tag.name;
    // Far beyond any canvas either way, so the sums stay exact and the layer simply falls off it.
    frame.x = std::max(-1e9, std::min(1e9, outer.x + x));
    frame.y = std::max(-1e9, std::min(1e9, outer.y + y));
    frame.opacity = outer.opacity * std::max(0.0, std::min(1.0, opacity));
    frame.visible = outer.visible && !(visibility != nullptr && *visibility == "hidden");
    return true;
}

bool addLayer(const XmlTag &tag, const StackFrame &frame, OraStack &stack)
{
    OraStackLayer layer;
    const std::string *name = attributeOf(tag, "name");
    const std::string *src = attributeOf(tag, "src");
    const std::string *op = attributeOf(tag, "composite-op");
    if (src == nullptr || src->empty())
        return false;
    layer.name = name != nullptr ? *name : std::string();
    // A name is one line: line ends and other control characters become spaces.
    for (char &c : layer.name)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    layer.src = *src;
    layer.x = static_cast<int64_t>(std::lround(frame.x));
    layer.y = static_cast<int64_t>(std::lround(frame.y));
    layer.opacity = static_cast<int32_t>(std::lround(frame.opacity * 100));
    layer.visible = frame.visible;
    // Past the layers a file may have it is refused anyway: no need to gather more names.
    if (op != nullptr && !modeOfCompositeOp(*op, layer.mode) && stack.layers.size() < ORA_MAX_LAYERS &&
        std::find(stack.unknownModes.begin(), stack.unknownModes.end(), *op) == stack.unknownModes.end())
        stack.unknownModes.push_back(*op);
    stack.layers.push_back(std::move(layer));
    return true;
}

std::string escapeXml(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Most control characters cannot stand in XML 1.0 at all, and a name is one line.
            if (static_cast<unsigned char>(c) < 0x20)
                out += ' ';
            else
                out += c;
        }
    }
    return out;
}

// ---- Layers' pixels ----

// Decodes one layer's PNG and lays it on a canvas-size layer, cut to the canvas.
const char *placeLayer(const uint8_t *data, size_t size, const std::vector<ZipEntry> &entries,
                       const OraStack &stack, const OraStackLayer &entry, std::vector<uint8_t> &canvas)
{
    const ZipEntry *file = findZipEntry(entries, entry.src.c_str());
    std::vector<uint8_t> bytes;
    if (file == nullptr || !readZipEntry(data, size, *file, MAX_PICTURE_FILE_BYTES, bytes) ||
        bytes.size() > INT32_MAX)
        return MSG_PICTURE_DAMAGED;
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels) || w <= 0 || h <= 0)
        return MSG_PICTURE_DAMAGED;
    if (isPictureTooLarge(w, h))
        return MSG_PICTURE_TOO_LARGE;
    stbi_uc *rgba = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
    if (rgba == nullptr)
        return MSG_PICTURE_DAMAGED;
    const int64_t W = stack.width, H = stack.height;
    const int64_t x0 = std::max<int64_t>(0, entry.x), x1 = std::min<int64_t>(W, entry.x + w);
    for (int64_t row = std::max<int64_t>(0, entry.y); row < std::min<int64_t>(H, entry.y + h); ++row) {
        const uint8_t *src = rgba + (static_cast<size_t>(row - entry.y) * static_cast<size_t>(w) +
                                     static_cast<size_t>(x0 - entry.x)) * 4;
        uint8_t *dst = canvas.data() + (static_cast<size_t>(H - 1 - row) * static_cast<size_t>(W) +
                                        static_cast<size_t>(x0)) * 4;
        for (int64_t x = x0; x < x1; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
    stbi_image_free(rgba);
    return nullptr;
}

// Resamples blue-green-red-alpha pixels, colours as sRGB weighed by their alpha.
bool resampleLayer(const std::vector<uint8_t> &pixels, int32_t width, int32_t height, int32_t toWidth,
                   int32_t toHeight, std::vector<uint8_t> &out)
{
    out.assign(static_cast<size_t>(toWidth) * static_cast<size_t>(toHeight) * 4, 0);
    return stbir_resize_uint8_srgb(pixels.data(), width, height, 0, out.data(), toWidth, toHeight, 0, 4, 3, 0) != 0;
}

// Rows top first, red-green-blue(-alpha), from the kept bottom-up blue-green-red(-alpha).
std::vector<uint8_t> topDownRgb(const uint8_t *bgr, int32_t width, int32_t height, int channels)
{
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
    std::vector<uint8_t> rows(rowBytes * static_cast<size_t>(height));
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t *src = bgr + static_cast<size_t>(height - 1 - r) * rowBytes;
        uint8_t *dst = rows.data() + static_cast<size_t>(r) * rowBytes;
        for (size_t i = 0; i < rowBytes; i += static_cast<size_t>(channels)) {
            dst[i] = src[i + 2];
            dst[i + 1] = src[i + 1];
            dst[i + 2] = src[i];
            if (channels == 4)
                dst[i + 3] = src[i + 3];
        }
    }
    return rows;
}

void putChunk(std::vector<uint8_t> &png, const char *type, const uint8_t *data, size_t size)
{
    const uint32_t length = static_cast<uint32_t>(size);
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(static_cast<uint8_t>(length >> shift));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    if (size > 0)
        png.insert(png.end(), data, data + size);
    const uint32_t crc = static_cast<uint32_t>(crc32(0L, png.data() + start, static_cast<uInt>(size + 4)));
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(static_cast<uint8_t>(crc >> shift));
}

} // namespace

const char *compositeOpOf(BlendMode mode)
{
    return COMPOSITE_OPS[static_cast<size_t>(mode)];
}

bool modeOfCompositeOp(const std::string &op, BlendMode &mode)
{
    mode = BlendMode::Normal;
    for (size_t i = 0; i < BLEND_MODE_COUNT; ++i)
        if (op == COMPOSITE_OPS[i]) {
            mode = static_cast<BlendMode>(i);
            return true;
        }
    return false;
}

std::string unknownModesWarning(const std::vector<std::string> &modes)
{
    if (modes.empty())
        return std::string();
    std::string names;
    for (size_t i = 0; i < modes.size(); ++i)
        names += (i == 0 ? "\"" : i + 1 == modes.size() ? " and \"" : ", \"") + modes[i] + "\"";
    return "The blend mode" + std::string(modes.size() > 1 ? "s " : " ") + names +
           " cannot be shown here: the layers that use " + (modes.size() > 1 ? "them" : "it") +
           " were loaded as Normal.";
}

bool parseOraStack(const char *text, size_t size, OraStack &stack)
{
    stack = OraStack();
    std::vector<StackFrame> frames;
    bool sawImage = false, sawStack = false;
    size_t at = 0;
    XmlTag tag;
    bool done = false;
    while (nextTag(text, size, at, tag, done)) {
        if (tag.closing) {
            if (frames.empty() || frames.back().element != tag.name)
                return false;
            frames.pop_back();
            continue;
        }
        StackFrame frame;
        frame.element = tag.name;
        if (frames.empty()) {
            // The root: only one, and it must be the image.
            double w = 0, h = 0;
            if (sawImage || tag.name != "image" || !numberOf(tag, "w", 0, w) || !numberOf(tag, "h", 0, h) ||
                w < 1 || h < 1 || w > INT32_MAX || h > INT32_MAX)
                return false;
            sawImage = true;
            stack.width = static_cast<int32_t>(w);
            stack.height = static_cast<int32_t>(h);
        } else if (tag.name == "stack" || tag.name == "layer") {
            const StackFrame &outer = frames.back();
            // Layers and stacks count only inside a stack that counts; the image holds one stack.
            const bool root = frames.size() == 1 && tag.name == "stack" && !sawStack;
            if (outer.holdsLayers || root) {
                sawStack = true;
                if (!readPlacement(tag, root ? StackFrame() : outer, frame))
                    return false;
                frame.holdsLayers = tag.name == "stack";
                if (tag.name == "layer" && !addLayer(tag, frame, stack))
                    return false;
            }
        }
        if (!tag.selfClosing) {
            if (frames.size() >= MAX_XML_DEPTH)
                return false;
            frames.push_back(std::move(frame));
        }
    }
    return done && frames.empty() && sawImage && sawStack;
}

std::string writeOraStack(const OraStack &stack)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<image version=\"0.0.3\" w=\"" +
                      std::to_string(stack.width) + "\" h=\"" + std::to_string(stack.height) + "\">\n <stack>\n";
    for (const OraStackLayer &layer : stack.layers) {
        char opacity[16];
        std::snprintf(opacity, sizeof opacity, "%.2f", std::max(0, std::min(100, layer.opacity)) / 100.0);
        xml += "  <layer name=\"" + escapeXml(layer.name) + "\" src=\"" + escapeXml(layer.src) + "\" x=\"" +
               std::to_string(layer.x) + "\" y=\"" + std::to_string(layer.y) + "\" opacity=\"" + opacity +
               "\" visibility=\"" + (layer.visible ? "visible" : "hidden") + "\" composite-op=\"" +
               compositeOpOf(layer.mode) + "\"/>\n";
    }
    return xml + " </stack>\n</image>\n";
}

bool isOraFile(const uint8_t *data, size_t size)
{
    // The first entry's local header, as the format asks: "mimetype", stored, holding the type (after any extra
    // field its writer added).
    const size_t nameAt = 30, typeLength = sizeof ORA_MIMETYPE - 1;
    if (data == nullptr || size < nameAt || data[0] != 'P' || data[1] != 'K' || data[2] != 3 || data[3] != 4 ||
        data[8] != 0 || data[9] != 0 || data[26] != 8 || data[27] != 0)
        return false;
    const size_t typeAt = nameAt + 8 + (data[28] | data[29] << 8);
    return size >= typeAt + typeLength && std::memcmp(data + nameAt, "mimetype", 8) == 0 &&
           std::memcmp(data + typeAt, ORA_MIMETYPE, typeLength) == 0;
}

const char *readOraStack(const uint8_t *data, size_t size, OraStack &stack)
{
    stack = OraStack();
    std::vector<ZipEntry> entries;
    std::vector<uint8_t> xml;
    const ZipEntry *entry = nullptr;
    if (!readZipDirectory(data, size, entries) || (entry = findZipEntry(entries, "stack.xml")) == nullptr ||
        !readZipEntry(data, size, *entry, MAX_STACK_XML_BYTES, xml) ||
        !parseOraStack(reinterpret_cast<const char *>(xml.data()), xml.size(), stack)) {
        stack = OraStack();
        return MSG_PICTURE_DAMAGED;
    }
    if (isPictureTooLarge(stack.width, stack.height))
        return MSG_PICTURE_TOO_LARGE;
    if (stack.layers.size() > ORA_MAX_LAYERS)
        return MSG_ORA_TOO_MANY_LAYERS;
    return nullptr;
}

const char *decodeOraLayers(const uint8_t *data, size_t size, const OraStack &stack, int32_t width, int32_t height,
                            OraImage &image, OraProgress progress)
{
    image = OraImage();
    const size_t canvasBytes = static_cast<size_t>(stack.width) * static_cast<size_t>(stack.height) * 4;
    const size_t layerBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    if (width <= 0 || height <= 0 || stack.width <= 0 || stack.height <= 0)
        return MSG_PICTURE_DAMAGED;
    if (std::max<size_t>(stack.layers.size(), 1) > ORA_MAX_LAYER_BYTES / layerBytes)
        return MSG_PICTURE_TOO_LARGE;
    std::vector<ZipEntry> entries;
    if (!readZipDirectory(data, size, entries))
        return MSG_PICTURE_DAMAGED;
    try {
        image.width = width;
        image.height = height;
        // The file lists the top layer first; the program keeps the bottom one first.
        for (size_t i = stack.layers.size(); i-- > 0;) {
            const OraStackLayer &entry = stack.layers[i];
            OraLayer layer;
            layer.name = entry.name;
            layer.visible = entry.visible;
            layer.opacity = entry.opacity;
            layer.mode = entry.mode;
            layer.pixels.assign(canvasBytes, 0);
            if (const char *refusal = placeLayer(data, size, entries, stack, entry, layer.pixels)) {
                image = OraImage();
                return refusal;
            }
            if (width != stack.width || height != stack.height) {
                std::vector<uint8_t> scaled;
                if (!resampleLayer(layer.pixels, stack.width, stack.height, width, height, scaled)) {
                    image = OraImage();
                    return MSG_PICTURE_DAMAGED;
                }
                layer.pixels.swap(scaled);
            }
            image.layers.push_back(std::move(layer));
            if (progress != nullptr)
                progress(image.layers.size(), stack.layers.size());
        }
        // A stack with no layers is a blank canvas: one empty layer keeps the picture white.
        if (image.layers.empty()) {
            image.layers.emplace_back();
            image.layers.back().name = "Background";
            image.layers.back().pixels.assign(layerBytes, 0);
        }
    } catch (const std::bad_alloc &) {
        image = OraImage();
        return MSG_PICTURE_TOO_LARGE;
    }
    return nullptr;
}

const char *decodeOra(const uint8_t *data, size_t size, OraImage &image, OraStack &stack)
{
    image = OraImage();
    if (const char *refusal = readOraStack(data, size, stack))
        return refusal;
    return decodeOraLayers(data, size, stack, stack.width, stack.height, image);
}

std::vector<uint8_t> encodePng(int32_t width, int32_t height, int channels, const uint8_t *rows)
{
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
    // Every row filtered by the one above it ("up"): quick, and kind to the flat areas painted textures have.
    std::vector<uint8_t> filtered((rowBytes + 1) * static_cast<size_t>(height));
    for (int32_t r = 0; r < height; ++r) {
        uint8_t *dst = filtered.data() + static_cast<size_t>(r) * (rowBytes + 1);
        const uint8_t *row = rows + static_cast<size_t>(r) * rowBytes;
        dst[0] = r == 0 ? 0 : 2;
        if (r == 0) {
            std::copy_n(row, rowBytes, dst + 1);
            continue;
        }
        const uint8_t *above = rows + static_cast<size_t>(r - 1) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i)
            dst[1 + i] = static_cast<uint8_t>(row[i] - above[i]);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<uint8_t> packed(packedSize);
    // The quickest level: a layer of 2048 x 2048 must save in a fraction of a second, and the next levels shrink
    // painted pictures by little more.
    if (compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()), Z_BEST_SPEED) != Z_OK)
        return std::vector<uint8_t>();
    packed.resize(packedSize);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    uint8_t header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(static_cast<uint32_t>(width) >> (24 - 8 * i));
        header[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (24 - 8 * i));
    }
    header[8] = 8;
    header[9] = channels == 4 ? 6 : 2;
    putChunk(png, "IHDR", header, sizeof header);
    putChunk(png, "IDAT", packed.data(), packed.size());
    putChunk(png, "IEND", nullptr, 0);
    return png;
}

std::vector<uint8_t> encodeOra(const OraImage &image, const uint8_t *mergedBgr, OraProgress progress)
{
    const int32_t W = image.width, H = image.height;
    if (W <= 0 || H <= 0 || image.layers.empty())
        return std::vector<uint8_t>();
    ZipWriter zip;
    OraStack stack;
    stack.width = W;
    stack.height = H;
    bool written = addZipEntry(zip, "mimetype", reinterpret_cast<const uint8_t *>(ORA_MIMETYPE),
                               sizeof ORA_MIMETYPE - 1, false);
    for (size_t i = image.layers.size(); written && i-- > 0;) {
        const OraLayer &layer = image.layers[i];
        OraStackLayer entry;
        entry.name = layer.name;
        entry.src = "data/layer" + std::to_string(i) + ".png";
        entry.opacity = layer.opacity;
        entry.visible = layer.visible;
        entry.mode = layer.mode;
        const std::vector<uint8_t> png = encodePng(W, H, 4, topDownRgb(layer.pixels.data(), W, H, 4).data());
        written = !png.empty() && addZipEntry(zip, entry.src.c_str(), png.data(), png.size(), false);
        stack.layers.push_back(std::move(entry));
        if (progress != nullptr)
            progress(stack.layers.size(), image.layers.size() + 1);
    }
    const std::string xml = writeOraStack(stack);
    written = written && addZipEntry(zip, "stack.xml", reinterpret_cast<const uint8_t *>(xml.data()), xml.size(), true);
    const std::vector<uint8_t> merged = topDownRgb(mergedBgr, W, H, 3);
    const std::vector<uint8_t> mergedPng = encodePng(W, H, 3, merged.data());
    written = written && !mergedPng.empty() &&
              addZipEntry(zip, "mergedimage.png", mergedPng.data(), mergedPng.size(), false);
    // The thumbnail keeps the picture's shape within ORA_THUMBNAIL_SIDE on its longer side.
    const int32_t longer = std::max(W, H);
    const int32_t tw = longer <= ORA_THUMBNAIL_SIDE ? W : std::max(1, W * ORA_THUMBNAIL_SIDE / longer);
    const int32_t th = longer <= ORA_THUMBNAIL_SIDE ? H : std::max(1, H * ORA_THUMBNAIL_SIDE / longer);
    std::vector<uint8_t> thumbnail(static_cast<size_t>(tw) * static_cast<size_t>(th) * 3);
    written = written && stbir_resize_uint8_srgb(merged.data(), W, H, 0, thumbnail.data(), tw, th, 0, 3,
                                                 STBIR_ALPHA_CHANNEL_NONE, 0) != 0;
    const std::vector<uint8_t> thumbnailPng = written ? encodePng(tw, th, 3, thumbnail.data()) : std::vector<uint8_t>();
    written = written && !thumbnailPng.empty() &&
              addZipEntry(zip, "Thumbnails/thumbnail.png", thumbnailPng.data(), thumbnailPng.size(), false) &&
              finishZip(zip);
    return written ? std::move(zip.bytes) : std::vector<uint8_t>();
}
