// A plugin library's kind and the DLLs it needs, read from headers built here field by field.
#include "plugins/library_file.h"

#include <gtest/gtest.h>

namespace {

typedef std::vector<uint8_t> Bytes;

void put16(Bytes &b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// A PE32+ DLL for x86-64 with one section (RVA 0x1000 at file offset 0x200) holding an import table that
// names NEEDED.DLL.
Bytes libraryFile(uint16_t machine = 0x8664, uint16_t characteristics = 0x2022)
{
    Bytes b(0x400, 0);
    b[0] = 'M';
    b[1] = 'Z';
    const size_t pe = 0x80, optional = pe + 24, section = optional + 240;
    put32(b, 0x3C, pe);
    b[pe] = 'P';
    b[pe + 1] = 'E';
    put16(b, pe + 4, machine);
    put16(b, pe + 6, 1);
    put16(b, pe + 20, 240);
    put16(b, pe + 22, characteristics);
    put16(b, optional, 0x20B);
    put32(b, optional + 108, 16);
    put32(b, optional + 120, 0x1000);   // the import directory
    put32(b, section + 8, 0x200);       // virtual size
    put32(b, section + 12, 0x1000);     // virtual address
    put32(b, section + 16, 0x200);      // raw size
    put32(b, section + 20, 0x200);      // raw offset
    put32(b, 0x200 + 12, 0x1100);       // the first descriptor's name; the second descriptor is zero
    const char name[] = "NEEDED.DLL";
    std::copy(name, name + sizeof name, b.begin() + 0x300);
    return b;
}

TEST(LibraryFile, SaysWhatAFileIsAndWhichDllsItNeeds)
{
    const Bytes dll = libraryFile();
    LibraryFile seen = inspectLibraryFile(dll.data(), dll.size());
    EXPECT_EQ(LibraryKind::dll64, seen.kind);
    EXPECT_EQ(std::vector<std::string>{"NEEDED.DLL"}, seen.imports);
    EXPECT_EQ("", libraryKindProblem(seen));

    const struct {
        Bytes bytes;
        LibraryKind kind;
        const char *problem;
    } cases[] = {
        {Bytes{'T', 'e', 'x', 't'}, LibraryKind::notPe, "not a DLL at all"},
        {libraryFile(0x014C), LibraryKind::otherMachine, "32-bit"},
        {libraryFile(0xAA64), LibraryKind::otherMachine, "ARM64"},
        {libraryFile(0x8664, 0x0022), LibraryKind::notDll, "a program"},
        {Bytes(dll.begin(), dll.begin() + 0x90), LibraryKind::notPe, "not a DLL"},   // cut inside the header
    };
    for (const auto &c : cases) {
        seen = inspectLibraryFile(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.kind, seen.kind);
        EXPECT_NE(std::string::npos, libraryKindProblem(seen).find(c.problem)) << c.problem;
    }
}

TEST(LibraryFile, ImportTableOutsideTheFileIsIgnored)
{
    Bytes dll = libraryFile();
    dll.resize(0x300);   // the name is gone; the descriptor still points there
    EXPECT_TRUE(inspectLibraryFile(dll.data(), dll.size()).imports.empty());
}

} // namespace
