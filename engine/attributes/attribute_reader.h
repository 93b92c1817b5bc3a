// The attribute language's scanner and statement loop: a hand-written reader
// over a byte range that advances one shared position and stores no tokens.
#ifndef KAL_ATTRIBUTE_READER_H
#define KAL_ATTRIBUTE_READER_H

#include "core/kalinput.h"

#include <cstddef>
#include <cstdint>

// Buffer sizes of readWord: keywords hold 31 characters, strings 127.
constexpr size_t kKeywordSize = 32;
constexpr size_t kStringSize = 128;

bool isAttribSeparator(unsigned char c);

// Passes separators, comments and dropped slashes; true with p on the first
// character of a token, false when the text ends first.
bool skipSeparators(const AttribText &text, size_t &p);
// Passes the next token's first character when it is `expected`.
bool matchChar(const AttribText &text, size_t &p, char expected);
// Reads a word or a quoted string of at most size - 1 characters into
// buffer (size >= 1), zero-filled behind the word; an empty word is not an
// error. The closing quote of a string of exactly size - 1 characters is
// passed over; a longer string leaves its rest in the text.
void readWord(const AttribText &text, size_t &p, char *buffer, size_t size);
// Reads an optionally negative decimal number; wraps like 32-bit signed
// arithmetic, gives 0 when there are no digits.
int32_t readNumber(const AttribText &text, size_t &p);

// interpretAttribs, the statement loop: declared in kalinput.h.

#endif
