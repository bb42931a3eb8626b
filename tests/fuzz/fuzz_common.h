// What every fuzzer shares: a check that turns a broken property into a crash, and the seed writer.
#pragma once
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// libFuzzer keeps the input of any crash, so a property that does not hold simply aborts with its reason.
#define FUZZ_CHECK(condition, reason)                                                                  \
    do {                                                                                               \
        if (!(condition)) {                                                                            \
            std::fprintf(stderr, "FUZZ_CHECK failed at %s:%d: %s\n", __FILE__, __LINE__, reason);      \
            std::abort();                                                                              \
        }                                                                                              \
    } while (0)

typedef std::vector<std::vector<uint8_t>> FuzzSeeds;

// The first corpus folder on the command line (an argument that is not a flag and names a folder),
// or an empty string when the fuzzer was started on files, e.g. to replay a crash.
inline std::string firstCorpusFolder(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        struct stat info;
        if (argv[i][0] != '-' && stat(argv[i], &info) == 0 && S_ISDIR(info.st_mode))
            return argv[i];
    }
    return std::string();
}

// Writes the seeds into the first corpus folder as seed-0, seed-1, ... so that a fresh, empty folder
// starts from valid files instead of from nothing. Called from LLVMFuzzerInitialize, which runs
// before libFuzzer reads the corpus. Rewriting them on every start gives the same files again.
inline void writeSeeds(int argc, char **argv, const FuzzSeeds &seeds)
{
    std::string folder = firstCorpusFolder(argc, argv);
    if (folder.empty())
        return;
    for (size_t i = 0; i < seeds.size(); ++i) {
        std::string path = folder + "/seed-" + std::to_string(i);
        FILE *file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
            continue;
        std::fwrite(seeds[i].data(), 1, seeds[i].size(), file);
        std::fclose(file);
    }
}

// Defines the fuzzer's start: the seeds that make_seeds() returns are written into the corpus folder.
#define FUZZ_SEEDS(make_seeds)                                                                         \
    extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)                                       \
    {                                                                                                  \
        writeSeeds(*argc, *argv, make_seeds());                                                        \
        return 0;                                                                                      \
    }

inline uint32_t readLe32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint16_t readLe16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline void writeLe32(uint8_t *p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Harness loops that are not under test stay out of the coverage feedback, which would otherwise both
// slow them down and reward the fuzzer for nothing.
#define FUZZ_HARNESS __attribute__((no_sanitize("coverage")))

// A small deterministic generator for filling buffers from one fuzzed seed (xorshift32).
FUZZ_HARNESS inline uint32_t nextRandom(uint32_t &state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

FUZZ_HARNESS inline void fillRandom(uint8_t *bytes, size_t count, uint32_t seed)
{
    uint32_t state = seed | 1u;
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(nextRandom(state) >> 24);
}

// Four random seeds of unit, 2 * unit, 3 * unit and 4 * unit bytes, for fuzzers that read any bytes as steps.
inline FuzzSeeds randomSeeds(size_t unit, uint32_t salt)
{
    FuzzSeeds seeds;
    for (uint32_t s = 1; s <= 4; ++s) {
        std::vector<uint8_t> bytes(unit * s);
        fillRandom(bytes.data(), bytes.size(), salt * s);
        seeds.push_back(bytes);
    }
    return seeds;
}
