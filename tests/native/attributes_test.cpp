// The attribute language through kal_AttribString: the documented example
// texts, hotspot arrays and their ownership, lengths and failures.
#include <gtest/gtest.h>

#include "attributes/attribute_api.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "stand_in_control.h"

#include <cstring>
#include <string>

namespace {

// One filled block; releases the hotspot array it owns.
struct Parsed {
    KalAttribs block{};
    int result = -1;
    int error = -1;

    Parsed(const std::string &text, int length)
    {
        result = kal_AttribString(text.c_str(), length, &block);
        error = kal_Error(nullptr);
    }
    explicit Parsed(const std::string &text) : Parsed(text, static_cast<int>(text.size())) {}
    ~Parsed()
    {
        if (block.flags & KAL_ATTRIB_OWNHOTSPOTS) kal_FreeResource(block.hotSpots);
    }
    const KalHotSpot &spot(int i) const { return block.hotSpots[i]; }
};

void expectRect(const KalHotSpot &spot, LONG l, LONG t, LONG r, LONG b)
{
    EXPECT_EQ(spot.rect.left, l);
    EXPECT_EQ(spot.rect.top, t);
    EXPECT_EQ(spot.rect.right, r);
    EXPECT_EQ(spot.rect.bottom, b);
}

bool isCleared(const KalAttribs &block)
{
    KalAttribs zero{};
    return std::memcmp(&block, &zero, sizeof block) == 0;
}

}  // namespace

TEST(AttribString, ValuesAndTheCharacterAfterEachStatement)
{
    Parsed all("horizon(10) angle(120) orientation(-90)");
    EXPECT_EQ(all.result, 1);
    EXPECT_EQ(all.block.horizon, 10);
    EXPECT_EQ(all.block.angle, 120);
    EXPECT_EQ(all.block.orientation, -90);
    EXPECT_EQ(all.block.numHotSpots, 0);
    EXPECT_EQ(all.block.hotSpots, nullptr);
    EXPECT_EQ(all.block.flags, 0u);

    Parsed joined("horizon(10)angle(120)");  // the "a" is skipped: "ngle" stops
    EXPECT_EQ(joined.result, 1);
    EXPECT_EQ(joined.block.horizon, 10);
    EXPECT_EQ(joined.block.angle, 0);

    Parsed semicolon("horizon(10);angle(120)");
    EXPECT_EQ(semicolon.block.horizon, 10);
    EXPECT_EQ(semicolon.block.angle, 120);

    Parsed capital("Horizon(5)");
    EXPECT_EQ(capital.result, 1);
    EXPECT_TRUE(isCleared(capital.block));
}

TEST(AttribString, Numbers)
{
    EXPECT_EQ(Parsed("angle( 12 )").block.angle, 12);
    Parsed dash("angle(-)");
    EXPECT_EQ(dash.result, 1);
    EXPECT_EQ(dash.block.angle, 0);
    Parsed plus("angle(+12)");
    EXPECT_EQ(plus.result, 0);
    EXPECT_EQ(plus.error, KAL_ERR_NONE);
    EXPECT_EQ(plus.block.angle, 0);
    Parsed spaced("angle(- 5)");  // the blank ends the number at 0
    EXPECT_EQ(spaced.result, 0);
    EXPECT_EQ(spaced.block.angle, 0);
    Parsed fraction("angle(12.5)");
    EXPECT_EQ(fraction.result, 0);
    EXPECT_EQ(fraction.block.angle, 12);
    // 32-bit wraparound, no range check.
    EXPECT_EQ(Parsed("angle(4294967306)").block.angle, 10);
    EXPECT_EQ(Parsed("angle(2147483648)").block.angle, INT32_MIN);
    EXPECT_EQ(Parsed("angle(-2147483648)").block.angle, INT32_MIN);
    EXPECT_EQ(Parsed("angle(99999999999999999999)").block.angle, 1661992959);
}

TEST(AttribString, MissingParenthesesKeepWhatWasStored)
{
    Parsed open("horizon(5");
    EXPECT_EQ(open.result, 0);
    EXPECT_EQ(open.error, KAL_ERR_NONE);
    EXPECT_EQ(open.block.horizon, 5);

    Parsed noOpen("angle(7) horizon 5");
    EXPECT_EQ(noOpen.result, 0);
    EXPECT_EQ(noOpen.block.angle, 7);

    Parsed user("userstring('kept' angle(3)");
    EXPECT_EQ(user.result, 0);
    EXPECT_STREQ(user.block.userString, "kept");
}

TEST(AttribString, HotSpotsWithAndWithoutCommas)
{
    Parsed quoted("hotspot(10 20 110 80 Door 'Go to the hall')");
    EXPECT_EQ(quoted.result, 1);
    ASSERT_EQ(quoted.block.numHotSpots, 1);
    ASSERT_NE(quoted.block.hotSpots, nullptr);
    EXPECT_EQ(quoted.block.flags, static_cast<DWORD>(KAL_ATTRIB_OWNHOTSPOTS));
    expectRect(quoted.spot(0), 10, 20, 110, 80);
    EXPECT_STREQ(quoted.spot(0).label, "Door");
    EXPECT_STREQ(quoted.spot(0).text, "Go to the hall");

    Parsed commas("hotspot(10,20,110,80 Door,Hall)");
    ASSERT_EQ(commas.block.numHotSpots, 1);
    expectRect(commas.spot(0), 10, 20, 110, 80);
    EXPECT_STREQ(commas.spot(0).label, "Door");
    EXPECT_STREQ(commas.spot(0).text, "Hall");

    // The comma after the fourth number ends an empty label.
    long live = standInLiveHeapBlocks();
    Parsed fourth("hotspot(1,2,3,4,Door,Hall)");
    EXPECT_EQ(fourth.result, 0);
    EXPECT_EQ(fourth.error, KAL_ERR_NONE);
    EXPECT_EQ(fourth.block.numHotSpots, 0);
    EXPECT_EQ(fourth.block.hotSpots, nullptr);
    EXPECT_EQ(fourth.block.flags, 0u);
    EXPECT_EQ(standInLiveHeapBlocks(), live);

    Parsed empty("hotspot()");
    ASSERT_EQ(empty.block.numHotSpots, 1);
    expectRect(empty.spot(0), 0, 0, 0, 0);
    EXPECT_STREQ(empty.spot(0).label, "");
}

TEST(AttribString, HotSpotsInTextOrderUpToAStopWord)
{
    Parsed p(
        "hotspot(0 0 5 5 a x)\nhotspot(1 1 6 6 \"b\" y)\r\nhotspot(2,2,7,7 c,z)\n"
        "stop hotspot(3 3 8 8 d w)");
    EXPECT_EQ(p.result, 1);
    ASSERT_EQ(p.block.numHotSpots, 3);
    const char *labels[] = {"a", "b", "c"};
    const char *texts[] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        expectRect(p.spot(i), i, i, i + 5, i + 5);
        EXPECT_STREQ(p.spot(i).label, labels[i]);
        EXPECT_STREQ(p.spot(i).text, texts[i]);
    }
}

TEST(AttribString, FailingStatementAfterHotSpotsLeavesNoArray)
{
    long live = standInLiveHeapBlocks();
    Parsed p("angle(90) hotspot(1 2 3 4 a b) horizon(4");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.block.angle, 90);
    EXPECT_EQ(p.block.horizon, 4);
    EXPECT_EQ(p.block.numHotSpots, 0);
    EXPECT_EQ(p.block.hotSpots, nullptr);
    EXPECT_EQ(standInLiveHeapBlocks(), live);
}

TEST(AttribString, LongStringsLeaveTheirRestInTheText)
{
    std::string a127(127, 'A');
    Parsed long130("hotspot(1 2 3 4 '" + a127 + "AAA' x)");
    EXPECT_EQ(long130.result, 0);
    EXPECT_EQ(long130.block.numHotSpots, 0);

    // The rest of the 130 characters happens to complete the statement.
    Parsed completes("hotspot(1 2 3 4 '" + a127 + "),x')");
    EXPECT_EQ(completes.result, 1);
    ASSERT_EQ(completes.block.numHotSpots, 1);
    EXPECT_EQ(std::string(completes.spot(0).label), a127);
    EXPECT_STREQ(completes.spot(0).text, "");

    Parsed user("userstring(" + std::string(130, 'u') + ")");
    EXPECT_EQ(user.result, 0);
    EXPECT_EQ(std::string(user.block.userString), std::string(127, 'u'));

    // A keyword holds 31 characters; a longer word is no keyword.
    Parsed word(std::string(40, 'k') + " angle(1)");
    EXPECT_EQ(word.result, 1);
    EXPECT_EQ(word.block.angle, 0);
}

// 127 characters are the most a string holds, and a quote that closes right
// after them ends it like any other; 128 still leave their rest in the text.
TEST(AttribString, QuotedStringsOfTheLongestLengthCompleteTheirStatement)
{
    const std::string a127(127, 'A');
    Parsed p("hotspot(1 2 3 4 '" + a127 + "' \"" + a127 + "\") userstring('" + a127 +
             "') angle(90)");
    EXPECT_EQ(p.result, 1);
    ASSERT_EQ(p.block.numHotSpots, 1);
    EXPECT_EQ(std::string(p.spot(0).label), a127);
    EXPECT_EQ(std::string(p.spot(0).text), a127);
    EXPECT_EQ(std::string(p.block.userString), a127);
    EXPECT_EQ(p.block.angle, 90);

    Parsed longer("userstring('" + a127 + "A') angle(90)");
    EXPECT_EQ(longer.result, 0);
    EXPECT_EQ(longer.block.angle, 0);
}

// A block's bytes depend on the text alone: a short string after a long one
// leaves zeros, not the long one's tail, behind its terminating NUL.
TEST(AttribString, StringsAreZeroFilledBehindTheirEnd)
{
    const std::string tail(100, 'T');
    Parsed p("userstring('" + tail + "') userstring(u) hotspot(0 0 1 1 '" + tail + "' '" + tail +
             "') hotspot(0 0 1 1 l t)");
    ASSERT_EQ(p.result, 1);
    ASSERT_EQ(p.block.numHotSpots, 2);
    KalHotSpot expected = {};
    expected.rect = RECT{0, 0, 1, 1};
    std::strcpy(expected.label, "l");
    std::strcpy(expected.text, "t");
    EXPECT_EQ(std::memcmp(&p.spot(1), &expected, sizeof expected), 0);
    char user[sizeof p.block.userString] = "u";
    EXPECT_EQ(std::memcmp(p.block.userString, user, sizeof user), 0);
}

TEST(AttribString, QuotesHaveNoEscapes)
{
    Parsed p("userstring(\"it's (1, 2) /* not a comment */\")");
    EXPECT_EQ(p.result, 1);
    EXPECT_STREQ(p.block.userString, "it's (1, 2) /* not a comment */");
    Parsed last("userstring(one) userstring('two')");
    EXPECT_STREQ(last.block.userString, "two");
    Parsed file("userstring(C:\\pano/hall:1$@_-x.bmp)");  // "." is no word character
    EXPECT_EQ(file.result, 0);
    EXPECT_STREQ(file.block.userString, "C:\\pano/hall:1$@_-x");
}

TEST(AttribString, SeparatorsAndComments)
{
    EXPECT_EQ(Parsed("/* note */ angle(90)").block.angle, 90);
    Parsed note("horizon(2)\n# note\nangle(90)");
    EXPECT_EQ(note.result, 1);
    EXPECT_EQ(note.block.horizon, 2);
    EXPECT_EQ(note.block.angle, 0);
    EXPECT_EQ(Parsed("#angle(#9#)#").block.angle, 9);
    EXPECT_EQ(Parsed("\tangle(\r\n9\n)").block.angle, 9);
    EXPECT_EQ(Parsed("/*/angle(5)").block.angle, 5);  // slash, star, slash
    EXPECT_EQ(Parsed("/ angle(5)").block.angle, 5);   // dropped slash
    EXPECT_EQ(Parsed("//angle(5)").block.angle, 0);   // "/angle" is no keyword
    Parsed slashes("angle(/ 5 / )");
    EXPECT_EQ(slashes.result, 1);
    EXPECT_EQ(slashes.block.angle, 5);
    EXPECT_EQ(Parsed("angle(/5)").result, 0);  // "/" starts a token
    // Comments do not nest: the second "*/" is an empty word.
    Parsed nested("/* a /* b */ angle(4) */ horizon(1)");
    EXPECT_EQ(nested.result, 1);
    EXPECT_EQ(nested.block.angle, 4);
    EXPECT_EQ(nested.block.horizon, 0);
    // An unclosed comment runs to the end, also inside a statement.
    Parsed unclosed("angle(3) /* horizon(4)");
    EXPECT_EQ(unclosed.result, 1);
    EXPECT_EQ(unclosed.block.horizon, 0);
    EXPECT_EQ(Parsed("angle( /* 7 )").result, 0);
}

// The closing "/" of a comment belongs to the comment, so a token written
// straight after it is read whole.
TEST(AttribString, CommentClosingSlashDoesNotJoinTheNextToken)
{
    Parsed p("/*c*/angle(/**/90/**/) /**/horizon(1)");
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.block.angle, 90);
    EXPECT_EQ(p.block.horizon, 1);
    Parsed star("/* c */*/ angle(2)");  // "*" after the comment is an empty word
    EXPECT_EQ(star.result, 1);
    EXPECT_EQ(star.block.angle, 0);
}

TEST(AttribString, LengthsBoundTheText)
{
    EXPECT_TRUE(isCleared(Parsed("").block));
    Parsed zero("angle(9)", 0);
    EXPECT_EQ(zero.result, 1);
    EXPECT_TRUE(isCleared(zero.block));
    Parsed negative("angle(9)", -2);
    EXPECT_EQ(negative.result, 1);
    EXPECT_TRUE(isCleared(negative.block));
    Parsed minimum("angle(9)", INT32_MIN);
    EXPECT_EQ(minimum.result, 1);
    EXPECT_TRUE(isCleared(minimum.block));

    EXPECT_EQ(Parsed("angle(9)", -1).block.angle, 9);
    Parsed cut("angle(93)", 7);
    EXPECT_EQ(cut.result, 0);
    EXPECT_EQ(cut.block.angle, 9);

    // A NUL inside the length is a plain byte: skipped after a statement,
    // no digit inside one; -1 stops at it.
    std::string withNul("angle(9)\0horizon(3)", 19);
    EXPECT_EQ(Parsed(withNul).block.horizon, 3);
    EXPECT_EQ(Parsed(withNul, -1).block.horizon, 0);
    EXPECT_EQ(Parsed(std::string("angle(9\0)", 9)).result, 0);
}

TEST(AttribString, RefillDropsTheOldArrayWithoutReleasingIt)
{
    KalAttribs block{};
    ASSERT_EQ(kal_AttribString("hotspot(1 2 3 4 a b) userstring(u)", -1, &block), 1);
    KalHotSpot *first = block.hotSpots;
    long live = standInLiveHeapBlocks();
    ASSERT_EQ(kal_AttribString("angle(5)", -1, &block), 1);
    EXPECT_EQ(standInLiveHeapBlocks(), live);
    EXPECT_EQ(block.hotSpots, nullptr);
    EXPECT_EQ(block.flags, 0u);
    EXPECT_STREQ(block.userString, "");
    kal_FreeResource(first);
}

TEST(AttribString, MissingBlockOrText)
{
    setError(nullptr, KAL_ERR_COORDS);
    EXPECT_EQ(kal_AttribString("angle(1)", -1, nullptr), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);

    KalAttribs block{};
    block.angle = 77;
    EXPECT_EQ(kal_AttribString(nullptr, 5, &block), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(kal_AttribString(nullptr, -1, &block), 0);
    EXPECT_EQ(block.angle, 77);  // untouched

    // NULL with Length 0 is the empty text.
    setError(nullptr, KAL_ERR_COORDS);
    EXPECT_EQ(kal_AttribString(nullptr, 0, &block), 1);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_TRUE(isCleared(block));
}

TEST(AttribString, ArrayAllocationFailure)
{
    long live = standInLiveHeapBlocks();
    standInFailHeapAfter(0);
    Parsed p("angle(45) hotspot(1 2 3 4 a b) userstring(s)");
    standInFailHeapAfter(-1);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.error, KAL_ERR_MEMORY);
    EXPECT_EQ(p.block.angle, 45);
    EXPECT_STREQ(p.block.userString, "s");
    EXPECT_EQ(p.block.numHotSpots, 0);
    EXPECT_EQ(p.block.hotSpots, nullptr);
    EXPECT_EQ(p.block.flags, 0u);
    EXPECT_EQ(standInLiveHeapBlocks(), live);

    // Without hotspots nothing is allocated, so the refusing heap is unseen.
    standInFailHeapAfter(0);
    Parsed none("angle(45)");
    standInFailHeapAfter(-1);
    EXPECT_EQ(none.result, 1);
    EXPECT_EQ(none.error, KAL_ERR_NONE);
}

TEST(AttribString, ArraySizeThatWouldOverflow)
{
    constexpr int32_t kMost = INT32_MAX / static_cast<int32_t>(sizeof(KalHotSpot));
    EXPECT_EQ(hotSpotArrayBytes(1), sizeof(KalHotSpot));
    EXPECT_EQ(hotSpotArrayBytes(kMost), static_cast<size_t>(kMost) * sizeof(KalHotSpot));
    EXPECT_EQ(hotSpotArrayBytes(kMost + 1), 0u);
    EXPECT_EQ(hotSpotArrayBytes(15790321), 0u);  // 272 x this wraps to 16 in 32 bits
    EXPECT_EQ(hotSpotArrayBytes(INT32_MAX), 0u);
    EXPECT_EQ(hotSpotArrayBytes(0), 0u);
    EXPECT_EQ(hotSpotArrayBytes(-1), 0u);

    // One statement past the limit, end to end: 10 bytes per hotspot.
    std::string text;
    text.reserve(static_cast<size_t>(kMost + 1) * 10);
    for (int32_t i = 0; i <= kMost; ++i) text += "hotspot() ";
    long live = standInLiveHeapBlocks();
    Parsed p(text);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.error, KAL_ERR_MEMORY);
    EXPECT_EQ(p.block.numHotSpots, 0);
    EXPECT_EQ(p.block.hotSpots, nullptr);
    EXPECT_EQ(standInLiveHeapBlocks(), live);
}
