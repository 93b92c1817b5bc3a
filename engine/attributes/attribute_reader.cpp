// The attribute language's scanner and statement loop. Every step starts at
// the shared position p and leaves it on the first byte it did not use.
#include "attribute_reader.h"

#include <cstring>

namespace {

constexpr char kWordChars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_@$\\/:";
static_assert(sizeof(kWordChars) - 1 == 69, "exactly 69 word characters");

struct CharTable {
    bool word[256] = {};
    constexpr CharTable()
    {
        for (size_t i = 0; i + 1 < sizeof(kWordChars); ++i)
            word[static_cast<unsigned char>(kWordChars[i])] = true;
    }
};
constexpr CharTable kTable;

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool at(const AttribText &text, size_t p, unsigned char c)
{
    return p < text.length && text.chars[p] == c;
}

// From p on an opening "/*": the star at p + 1 may also be the closing one.
// Returns the position after the closing "*/", or the length when unclosed.
size_t skipComment(const AttribText &text, size_t p)
{
    for (size_t q = p + 1; q + 1 < text.length; ++q)
        if (text.chars[q] == '*' && text.chars[q + 1] == '/') return q + 2;
    return text.length;
}

}  // namespace

bool isAttribSeparator(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#';
}

bool isAttribWordChar(unsigned char c)
{
    return kTable.word[c];
}

// A comment's closing "/" belongs to the comment: a token written directly
// after "*/" starts with its own first character, so "/*x*/angle(1)" sets
// the angle instead of reading the word "/angle".
bool skipSeparators(const AttribText &text, size_t &p)
{
    while (p < text.length) {
        unsigned char c = text.chars[p];
        if (isAttribSeparator(c)) {
            ++p;
        } else if (c != '/') {
            return true;
        } else if (at(text, p + 1, '*')) {
            p = skipComment(text, p);
        } else if (p + 1 >= text.length || at(text, p + 1, '/') ||
                   isAttribSeparator(text.chars[p + 1])) {
            ++p;  // a stray slash before a separator, a slash or the end
        } else {
            return true;  // the slash starts the next token
        }
    }
    return false;
}

bool matchChar(const AttribText &text, size_t &p, char expected)
{
    if (!skipSeparators(text, p)) return false;
    if (text.chars[p] != static_cast<unsigned char>(expected)) return false;
    ++p;
    return true;
}

void readWord(const AttribText &text, size_t &p, char *buffer, size_t size)
{
    // Cleared whole: the buffer may be copied into a caller's block, whose
    // bytes must not depend on what the stack held.
    std::memset(buffer, 0, size);
    if (!skipSeparators(text, p)) return;
    unsigned char quote = text.chars[p];
    bool quoted = quote == '"' || quote == '\'';
    if (quoted) ++p;
    size_t taken = 0;
    // A word cut at size - 1 characters leaves its rest (and a closing
    // quote) in the text for the next step.
    while (taken + 1 < size && p < text.length) {
        unsigned char c = text.chars[p];
        if (quoted && c == quote) {
            ++p;
            break;
        }
        if (!quoted && !isAttribWordChar(c)) break;
        buffer[taken++] = static_cast<char>(c);
        ++p;
    }
    // A quoted string that fills the buffer exactly still owns its closing
    // quote; only a longer one leaves its rest in the text.
    if (quoted && taken + 1 == size && at(text, p, quote)) ++p;
    buffer[taken] = '\0';
}

int32_t readNumber(const AttribText &text, size_t &p)
{
    if (!skipSeparators(text, p)) return 0;
    bool negative = text.chars[p] == '-';
    if (negative) ++p;
    // Unsigned arithmetic gives the two's-complement wrap of 32-bit signed
    // arithmetic without its undefined overflow.
    uint32_t value = 0;
    while (p < text.length && isDigit(text.chars[p]))
        value = value * 10u + static_cast<uint32_t>(text.chars[p++] - '0');
    if (negative) value = 0u - value;
    return value <= INT32_MAX ? static_cast<int32_t>(value) : -static_cast<int32_t>(~value) - 1;
}

namespace {

enum class Step { Complete, Failed, Stop };

// "horizon(n)", "angle(n)", "orientation(n)": the number is stored before
// the closing parenthesis is checked.
Step readValueStatement(const AttribText &text, size_t &p, INT32 &field)
{
    if (!matchChar(text, p, '(')) return Step::Failed;
    field = readNumber(text, p);
    return matchChar(text, p, ')') ? Step::Complete : Step::Failed;
}

Step readUserStringStatement(const AttribText &text, size_t &p, KalAttribs *block)
{
    if (!matchChar(text, p, '(')) return Step::Failed;
    char value[kStringSize];
    readWord(text, p, value, sizeof value);
    std::memcpy(block->userString, value, sizeof value);
    return matchChar(text, p, ')') ? Step::Complete : Step::Failed;
}

// "hotspot(left, top, right, bottom label, text)": every comma is optional
// and there is none between bottom and the label.
Step readHotSpotStatement(const AttribText &text, size_t &p, KalAttribs *block, bool store,
                          int32_t capacity)
{
    if (!matchChar(text, p, '(')) return Step::Failed;
    KalHotSpot spot = {};
    spot.rect.left = readNumber(text, p);
    matchChar(text, p, ',');
    spot.rect.top = readNumber(text, p);
    matchChar(text, p, ',');
    spot.rect.right = readNumber(text, p);
    matchChar(text, p, ',');
    spot.rect.bottom = readNumber(text, p);
    readWord(text, p, spot.label, sizeof spot.label);
    matchChar(text, p, ',');
    readWord(text, p, spot.text, sizeof spot.text);
    if (!matchChar(text, p, ')')) return Step::Failed;
    if (store) {
        // Both passes read the same text, so the count never passes the
        // capacity; the check keeps every write inside the array regardless.
        if (block->numHotSpots >= capacity) return Step::Failed;
        block->hotSpots[block->numHotSpots] = spot;
    }
    // Each statement takes at least 9 bytes of a text shorter than 2^31.
    ++block->numHotSpots;
    return Step::Complete;
}

Step readStatement(const AttribText &text, size_t &p, KalAttribs *block, bool store,
                   int32_t capacity)
{
    char keyword[kKeywordSize];
    readWord(text, p, keyword, sizeof keyword);
    if (std::strcmp(keyword, "horizon") == 0) return readValueStatement(text, p, block->horizon);
    if (std::strcmp(keyword, "angle") == 0) return readValueStatement(text, p, block->angle);
    if (std::strcmp(keyword, "orientation") == 0)
        return readValueStatement(text, p, block->orientation);
    if (std::strcmp(keyword, "hotspot") == 0)
        return readHotSpotStatement(text, p, block, store, capacity);
    if (std::strcmp(keyword, "userstring") == 0) return readUserStringStatement(text, p, block);
    return Step::Stop;  // any other word, the empty one included, ends reading
}

}  // namespace

int interpretAttribs(const AttribText &text, KalAttribs *block, bool store, int32_t capacity,
                     size_t *failedAt)
{
    block->numHotSpots = 0;
    size_t p = 0;
    while (p < text.length) {
        Step step = readStatement(text, p, block, store, capacity);
        if (step == Step::Failed) {
            if (failedAt) *failedAt = p;
            return 0;
        }
        if (step == Step::Stop) return 1;
        ++p;  // exactly one character, whatever it is, follows a statement
    }
    return 1;
}
