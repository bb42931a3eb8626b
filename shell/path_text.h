// Paths as the program keeps them and as the system and the plugins take them. Inside the program a path is
// UTF-8; the system's wide functions take UTF-16, converted at the edge. A file name the system allows that is
// not valid UTF-16 (an unpaired surrogate) still round-trips: its surrogate travels as WTF-8 does, as the three
// bytes UTF-8 would give it.
#pragma once
#include <cstddef>
#include <string>

// UTF-8 (with WTF-8's unpaired surrogates) to UTF-16. False, with `out` empty, for bytes that are not UTF-8: an
// overlong form, a code point above U+10FFFF, a surrogate pair spelled as two three-byte sequences, a stray or
// missing continuation byte. The caller then takes the text as the ANSI code page, where older text comes from.
bool utf8ToUtf16(const char *text, std::u16string &out);

// UTF-16 to UTF-8; an unpaired surrogate becomes its three-byte form, so utf8ToUtf16 gives it back.
std::string utf16ToUtf8(const char16_t *text, size_t length);

// How a model's path reaches a plugin, whose sk_load takes 8-bit text in the ANSI code page: as it is when the
// code page can write it, else its short (8.3) form when the file has one the code page can write, else not at all.
enum class PluginPathForm { ansi, shortForm, none };

PluginPathForm choosePluginPathForm(bool ansiWritesIt, bool shortFormWritesIt);
