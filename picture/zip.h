// A small zip container: the entries read through the central directory with everything checked against the
// file, stored and deflated entries inflated up to a cap; and a writer of stored and deflated entries.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Archives with more entries than this are not ones this program reads (a layered picture has one a layer).
enum : size_t { ZIP_MAX_ENTRIES = 4096 };
enum : uint16_t { ZIP_STORED = 0, ZIP_DEFLATED = 8 };

struct ZipEntry {
    std::string name;
    uint16_t method = ZIP_STORED;
    uint32_t crc = 0;
    size_t packedSize = 0;
    size_t size = 0;
    size_t headerOffset = 0; // where its local header starts in the file
    size_t dataOffset = 0;   // where its packed bytes start
};

// Reads the central directory. False when anything in it is inconsistent with the file: the end record not
// where it must be, offsets, sizes or counts running past the file or into each other, a local header that does
// not match its directory entry, an encrypted entry, a multi-part or zip64 archive. The entries keep the order
// of the directory.
bool readZipDirectory(const uint8_t *data, size_t size, std::vector<ZipEntry> &entries);

// The entry of that exact name, or nullptr.
const ZipEntry *findZipEntry(const std::vector<ZipEntry> &entries, const char *name);

// The entry's bytes, inflated when deflated. False, with out empty, when its size is over maxBytes (checked
// before anything is inflated), its method is neither stored nor deflate, or its data does not inflate to
// exactly its size with its checksum.
bool readZipEntry(const uint8_t *data, size_t size, const ZipEntry &entry, size_t maxBytes,
                  std::vector<uint8_t> &out);

// An archive being written: entries are appended one after the other, then the directory closes it.
struct ZipWriter {
    std::vector<uint8_t> bytes;
    std::vector<ZipEntry> entries;
};

// Appends an entry, deflated when compress is set (and the deflated form is smaller), stored otherwise.
// False when it cannot be held in a plain (not zip64) archive.
bool addZipEntry(ZipWriter &zip, const char *name, const uint8_t *data, size_t size, bool compress);

// Writes the central directory and the end record; the archive is then zip.bytes.
bool finishZip(ZipWriter &zip);
