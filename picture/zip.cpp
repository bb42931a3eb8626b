// A small zip container: the entries read through the central directory with everything checked against the
// file, stored and deflated entries inflated up to a cap; and a writer of stored and deflated entries.
#include "picture/zip.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <zlib.h>

namespace {

const uint32_t END_SIGNATURE = 0x06054b50, CENTRAL_SIGNATURE = 0x02014b50, LOCAL_SIGNATURE = 0x04034b50;
const size_t END_BYTES = 22, CENTRAL_BYTES = 46, LOCAL_BYTES = 30, MAX_COMMENT = 0xFFFF;
// Flag bits: 0 the entry is encrypted, 6 strongly encrypted. Neither can be read.
const uint16_t ENCRYPTED_FLAGS = 0x0041;
// 1980-01-01 00:00, the earliest time a zip can say: the files carry no time of their own.
const uint16_t DOS_DATE = (1 << 5) | 1;

uint16_t read16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t read32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void put16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Where the end record starts: the last signature whose comment reaches exactly to the end of the file.
bool findEndRecord(const uint8_t *data, size_t size, size_t &at)
{
    if (size < END_BYTES)
        return false;
    const size_t lowest = size - END_BYTES > MAX_COMMENT ? size - END_BYTES - MAX_COMMENT : 0;
    for (size_t pos = size - END_BYTES + 1; pos-- > lowest;) {
        if (read32(data + pos) == END_SIGNATURE && read16(data + pos + 20) == size - END_BYTES - pos) {
            at = pos;
            return true;
        }
    }
    return false;
}

// One directory entry at `at` (within [at, end)), checked against its local header, which must lie before
// `limit` (the directory's start) with its data.
bool readCentralEntry(const uint8_t *data, size_t &at, size_t end, size_t limit, ZipEntry &entry)
{
    if (end - at < CENTRAL_BYTES || read32(data + at) != CENTRAL_SIGNATURE)
        return false;
    const uint8_t *h = data + at;
    const uint16_t flags = read16(h + 8), nameLength = read16(h + 28);
    const size_t variable = size_t{nameLength} + read16(h + 30) + read16(h + 32);
    const uint32_t packed = read32(h + 20), unpacked = read32(h + 24), local = read32(h + 42);
    if ((flags & ENCRYPTED_FLAGS) != 0 || nameLength == 0 || read16(h + 34) != 0 || end - at - CENTRAL_BYTES < variable)
        return false;
    if (packed == 0xFFFFFFFF || unpacked == 0xFFFFFFFF || local == 0xFFFFFFFF) // zip64
        return false;
    entry.name.assign(reinterpret_cast<const char *>(h + CENTRAL_BYTES), nameLength);
    entry.method = read16(h + 10);
    entry.crc = read32(h + 16);
    entry.packedSize = packed;
    entry.size = unpacked;
    if (entry.method == ZIP_STORED && packed != unpacked)
        return false;
    at += CENTRAL_BYTES + variable;
    // The local header repeats the name and the method; its own sizes may be zero (they then follow the data).
    if (local > limit || limit - local < LOCAL_BYTES || read32(data + local) != LOCAL_SIGNATURE)
        return false;
    const uint8_t *l = data + local;
    const size_t localVariable = size_t{read16(l + 26)} + read16(l + 28);
    if (read16(l + 26) != nameLength || read16(l + 8) != entry.method || limit - local - LOCAL_BYTES < localVariable ||
        std::memcmp(l + LOCAL_BYTES, entry.name.data(), nameLength) != 0)
        return false;
    entry.headerOffset = local;
    entry.dataOffset = local + LOCAL_BYTES + localVariable;
    return limit - entry.dataOffset >= entry.packedSize;
}

// No two entries' local headers and data may share bytes.
bool entriesApart(const std::vector<ZipEntry> &entries)
{
    std::vector<std::pair<size_t, size_t>> spans;
    spans.reserve(entries.size());
    for (const ZipEntry &e : entries) {
        spans.emplace_back(e.headerOffset, e.dataOffset + e.packedSize);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            return false;
    return true;
}

bool inflateExactly(const uint8_t *packed, size_t packedSize, uint8_t *out, size_t size)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef *>(packed);
    stream.avail_in = static_cast<uInt>(packedSize);
    // One spare byte, so that data inflating to more than its size is caught rather than cut.
    uint8_t spare = 0;
    stream.next_out = size > 0 ? out : &spare;
    stream.avail_out = static_cast<uInt>(size > 0 ? size : 1);
    int result = inflate(&stream, Z_FINISH);
    if (result == Z_BUF_ERROR && stream.avail_out == 0 && size > 0) {
        stream.next_out = &spare;
        stream.avail_out = 1;
        result = inflate(&stream, Z_FINISH);
    }
    const bool whole = result == Z_STREAM_END && stream.total_out == size;
    inflateEnd(&stream);
    return whole;
}

} // namespace

bool readZipDirectory(const uint8_t *data, size_t size, std::vector<ZipEntry> &entries)
{
    entries.clear();
    size_t endAt = 0;
    if (data == nullptr || !findEndRecord(data, size, endAt))
        return false;
    const uint8_t *e = data + endAt;
    const size_t count = read16(e + 10), directorySize = read32(e + 12), directoryAt = read32(e + 16);
    if (read16(e + 4) != 0 || read16(e + 6) != 0 || read16(e + 8) != count || count > ZIP_MAX_ENTRIES ||
        directoryAt > endAt || endAt - directoryAt != directorySize || directorySize / CENTRAL_BYTES < count)
        return false;
    size_t at = directoryAt;
    for (size_t i = 0; i < count; ++i) {
        ZipEntry entry;
        if (!readCentralEntry(data, at, endAt, directoryAt, entry)) {
            entries.clear();
            return false;
        }
        entries.push_back(std::move(entry));
    }
    if (at != endAt || !entriesApart(entries)) {
        entries.clear();
        return false;
    }
    return true;
}

const ZipEntry *findZipEntry(const std::vector<ZipEntry> &entries, const char *name)
{
    for (const ZipEntry &entry : entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

bool readZipEntry(const uint8_t *data, size_t size, const ZipEntry &entry, size_t maxBytes, std::vector<uint8_t> &out)
{
    out.clear();
    if (entry.size > maxBytes || entry.dataOffset > size || size - entry.dataOffset < entry.packedSize)
        return false;
    const uint8_t *packed = data + entry.dataOffset;
    if (entry.method == ZIP_STORED) {
        out.assign(packed, packed + entry.size);
    } else if (entry.method == ZIP_DEFLATED) {
        out.resize(entry.size);
        if (!inflateExactly(packed, entry.packedSize, out.data(), entry.size)) {
            out.clear();
            return false;
        }
    } else {
        return false;
    }
    if (crc32(0L, out.data(), static_cast<uInt>(out.size())) != entry.crc) {
        out.clear();
        return false;
    }
    return true;
}

// The fields a local header and its central directory entry share, from the version needed to the name's
// length: no flags, no time, the one fixed date.
static void putEntryFields(std::vector<uint8_t> &out, const ZipEntry &entry)
{
    put16(out, 20);
    put16(out, 0);
    put16(out, entry.method);
    put16(out, 0);
    put16(out, DOS_DATE);
    put32(out, entry.crc);
    put32(out, static_cast<uint32_t>(entry.packedSize));
    put32(out, static_cast<uint32_t>(entry.size));
    put16(out, static_cast<uint32_t>(entry.name.size()));
}

bool addZipEntry(ZipWriter &zip, const char *name, const uint8_t *data, size_t size, bool compress)
{
    const size_t nameLength = std::strlen(name);
    if (zip.entries.size() >= 0xFFFF || size >= 0xFFFFFFFF || zip.bytes.size() >= 0xFFFFFFFF || nameLength == 0 ||
        nameLength > 0xFFFF)
        return false;
    ZipEntry entry;
    entry.name = name;
    entry.size = size;
    entry.crc = static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
    std::vector<uint8_t> packed;
    if (compress && size > 0) {
        z_stream stream{};
        if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        packed.resize(deflateBound(&stream, static_cast<uLong>(size)));
        stream.next_in = const_cast<Bytef *>(data);
        stream.avail_in = static_cast<uInt>(size);
        stream.next_out = packed.data();
        stream.avail_out = static_cast<uInt>(packed.size());
        const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
        packed.resize(stream.total_out);
        deflateEnd(&stream);
        if (!done || packed.size() >= size)
            packed.clear();
    }
    const bool deflated = !packed.empty();
    entry.method = deflated ? ZIP_DEFLATED : ZIP_STORED;
    entry.packedSize = deflated ? packed.size() : size;
    const size_t local = zip.bytes.size();
    put32(zip.bytes, LOCAL_SIGNATURE);
    putEntryFields(zip.bytes, entry);
    put16(zip.bytes, 0);
    zip.bytes.insert(zip.bytes.end(), name, name + nameLength);
    entry.headerOffset = local;
    entry.dataOffset = zip.bytes.size();
    if (deflated)
        zip.bytes.insert(zip.bytes.end(), packed.begin(), packed.end());
    else if (size > 0)
        zip.bytes.insert(zip.bytes.end(), data, data + size);
    zip.entries.push_back(std::move(entry));
    return zip.bytes.size() < 0xFFFFFFFF;
}

bool finishZip(ZipWriter &zip)
{
    const size_t directoryAt = zip.bytes.size();
    for (const ZipEntry &entry : zip.entries) {
        put32(zip.bytes, CENTRAL_SIGNATURE);
        put16(zip.bytes, 20);
        putEntryFields(zip.bytes, entry);
        put32(zip.bytes, 0); // extra and comment lengths
        put32(zip.bytes, 0); // disk and internal attributes
        put32(zip.bytes, 0); // external attributes
        put32(zip.bytes, static_cast<uint32_t>(entry.headerOffset));
        zip.bytes.insert(zip.bytes.end(), entry.name.begin(), entry.name.end());
    }
    const size_t directorySize = zip.bytes.size() - directoryAt;
    put32(zip.bytes, END_SIGNATURE);
    put32(zip.bytes, 0);
    put16(zip.bytes, static_cast<uint32_t>(zip.entries.size()));
    put16(zip.bytes, static_cast<uint32_t>(zip.entries.size()));
    put32(zip.bytes, static_cast<uint32_t>(directorySize));
    put32(zip.bytes, static_cast<uint32_t>(directoryAt));
    put16(zip.bytes, 0);
    return zip.bytes.size() < 0xFFFFFFFF;
}
