// What a file offered as a plugin library is, read from its headers: a 64-bit Windows DLL and the DLLs it
// needs, or why it is none. Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class LibraryKind {
    dll64,        // a DLL for x86-64 Windows
    notPe,        // not a Windows program or library at all
    otherMachine, // a library for another processor (32-bit x86, ARM, ...)
    notDll,       // a program, not a library
};

struct LibraryFile {
    LibraryKind kind = LibraryKind::notPe;
    uint16_t machine = 0;                // the header's machine field, when there is one
    std::vector<std::string> imports;    // the DLLs it names in its import table, when it is a DLL
};

// Reads the headers and the import table; every offset is checked against size.
LibraryFile inspectLibraryFile(const uint8_t *bytes, size_t size);

// The second line of "unable to load this plugin" for a library of this kind: "it is not a DLL", "it is a
// 32-bit DLL: Pelterine needs a 64-bit one", ...; "" for a 64-bit DLL (missing DLLs are found by the caller).
std::string libraryKindProblem(const LibraryFile &library);
