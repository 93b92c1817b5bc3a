// The attribute scanner's steps: where each leaves the shared position.
#include <gtest/gtest.h>

#include "attributes/attribute_reader.h"

#include <cstring>
#include <string>

namespace {

AttribText textOf(const std::string &s)
{
    return {reinterpret_cast<const unsigned char *>(s.data()), s.size()};
}

}  // namespace

TEST(AttribReader, CharacterClasses)
{
    std::string words;
    int separators = 0;
    for (int c = 0; c < 256; ++c) {
        if (isAttribWordChar(static_cast<unsigned char>(c))) words += static_cast<char>(c);
        if (isAttribSeparator(static_cast<unsigned char>(c))) ++separators;
    }
    EXPECT_EQ(words, "$-/0123456789:@ABCDEFGHIJKLMNOPQRSTUVWXYZ\\_abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(words.size(), 69u);
    EXPECT_EQ(separators, 5);
    EXPECT_TRUE(isAttribSeparator('#'));
}

TEST(AttribReader, SkipSeparatorsStopsOnTokensAndAtTheEnd)
{
    std::string s = " \t#/ /*x*//x";
    size_t p = 0;
    ASSERT_TRUE(skipSeparators(textOf(s), p));
    EXPECT_EQ(p, 10u);  // the "/" that precedes "x" starts the token

    std::string comment = "a /* open";
    p = 1;
    EXPECT_FALSE(skipSeparators(textOf(comment), p));
    EXPECT_EQ(p, comment.size());

    std::string slash = "a /";
    p = 1;
    EXPECT_FALSE(skipSeparators(textOf(slash), p));

    p = 7;  // beyond the end after a statement's trailing skip
    EXPECT_FALSE(skipSeparators(textOf(slash), p));
}

TEST(AttribReader, MatchCharLeavesAMismatchInPlace)
{
    std::string s = "  ,x";
    size_t p = 0;
    EXPECT_FALSE(matchChar(textOf(s), p, ')'));
    EXPECT_EQ(p, 2u);
    EXPECT_TRUE(matchChar(textOf(s), p, ','));
    EXPECT_EQ(p, 3u);
}

TEST(AttribReader, ReadWordCutsAtTheBufferSize)
{
    struct Case {
        std::string text;
        size_t size;
        const char *word;
        size_t end;  // where p stops
    };
    const Case cases[] = {
        {"'abc'z", 4, "abc", 5},   // a string that fills the buffer takes its quote
        {"'abcd'z", 4, "abc", 4},  // a longer one leaves its rest for the next step
        {"\"ab\"z", 4, "ab", 4},  {"'a b", 4, "a b", 4},  // unclosed: the end of the text ends it
        {"ab.c", 4, "ab", 2},     {"  ", 4, "", 2},      {"ab", 1, "", 0},
    };
    for (const Case &c : cases) {
        char buffer[8];
        std::memset(buffer, 'x', sizeof buffer);
        size_t p = 0;
        readWord(textOf(c.text), p, buffer, c.size);
        EXPECT_STREQ(buffer, c.word) << c.text;
        EXPECT_EQ(p, c.end) << c.text;
        for (size_t k = std::strlen(c.word); k < c.size; ++k)
            EXPECT_EQ(buffer[k], '\0') << c.text << " byte " << k;  // cleared behind the word
    }
}

TEST(AttribReader, ReadNumberPositions)
{
    std::string s = " -12x";
    size_t p = 0;
    EXPECT_EQ(readNumber(textOf(s), p), -12);
    EXPECT_EQ(p, 4u);

    std::string dash = "- 3";
    p = 0;
    EXPECT_EQ(readNumber(textOf(dash), p), 0);
    EXPECT_EQ(p, 1u);

    std::string minusMinus = "--3";
    p = 0;
    EXPECT_EQ(readNumber(textOf(minusMinus), p), 0);
    EXPECT_EQ(p, 1u);
}
