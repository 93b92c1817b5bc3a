// The RLE8 decoder over bytes in memory: every escape, runs cut by the end
// of the area or of the input. The area is exactly its size, so any write
// outside it trips the address sanitizer.
#include <gtest/gtest.h>

#include "image/rle8.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint8_t kUntouched = 0;  // the area comes zeroed

std::vector<uint8_t> decode(const std::vector<uint8_t> &stream, size_t stride, size_t rows)
{
    std::vector<uint8_t> area(stride * rows, kUntouched);
    MemoryByteSource source(stream.data(), stream.size());
    decodeRle8(source, area.data(), stride, rows);
    return area;
}

using Bytes = std::vector<uint8_t>;
constexpr uint8_t U = kUntouched;

}  // namespace

TEST(Rle8, EncodedRunsRunOnInStorageOrder)
{
    EXPECT_EQ(decode({2, 7, 3, 9}, 4, 2), (Bytes{7, 7, 9, 9, 9, U, U, U}));
    // A run longer than the row continues in the next row.
    EXPECT_EQ(decode({6, 5}, 4, 2), (Bytes{5, 5, 5, 5, 5, 5, U, U}));
}

TEST(Rle8, EndOfLineSkipsToTheNextRowOnlyWhenInsideOne)
{
    // Off a boundary: the rest of the row is skipped.
    EXPECT_EQ(decode({2, 7, 0, 0, 1, 9}, 4, 2), (Bytes{7, 7, U, U, 9, U, U, U}));
    // A full row, then end of line: the next row is not skipped.
    EXPECT_EQ(decode({4, 1, 0, 0, 1, 2}, 4, 2), (Bytes{1, 1, 1, 1, 2, U, U, U}));
    // End of line at the very start of the area does not move.
    EXPECT_EQ(decode({0, 0, 1, 5}, 4, 1), (Bytes{5, U, U, U}));
}

TEST(Rle8, EndOfBitmapEndsDecoding)
{
    EXPECT_EQ(decode({1, 3, 0, 1, 1, 4}, 4, 1), (Bytes{3, U, U, U}));
}

TEST(Rle8, DeltaMovesRightAndUpWithoutWriting)
{
    // After one pixel, right 3 and up 1 row of 8: the next run lands at 12.
    Bytes area = decode({1, 1, 0, 2, 3, 1, 1, 2}, 8, 3);
    Bytes expected(24, U);
    expected[0] = 1;
    expected[12] = 2;
    EXPECT_EQ(area, expected);
}

TEST(Rle8, DeltaPastTheAreaEndsDecoding)
{
    EXPECT_EQ(decode({0, 2, 255, 255, 1, 9}, 4, 2), Bytes(8, U));
    EXPECT_EQ(decode({0, 2, 3, 1, 4, 9}, 4, 2), (Bytes{U, U, U, U, U, U, U, 9}));
}

TEST(Rle8, AbsoluteRunsArePaddedToEvenLength)
{
    // Three bytes, then one padding byte that must not become a count.
    EXPECT_EQ(decode({0, 3, 10, 11, 12, 0xEE, 1, 13}, 8, 1), (Bytes{10, 11, 12, 13, U, U, U, U}));
    // Four bytes have no padding byte.
    EXPECT_EQ(decode({0, 4, 10, 11, 12, 13, 1, 14}, 8, 1), (Bytes{10, 11, 12, 13, 14, U, U, U}));
}

TEST(Rle8, RunsStopAtTheEndOfTheArea)
{
    EXPECT_EQ(decode({6, 5}, 4, 1), (Bytes{5, 5, 5, 5}));
    EXPECT_EQ(decode({0, 6, 1, 2, 3, 4, 5, 6}, 4, 1), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(decode({255, 1, 255, 2}, 4, 1), (Bytes{1, 1, 1, 1}));
}

TEST(Rle8, ShortRunsFillTheAreaToItsLastByte)
{
    // Runs of one length until the area is full, for every length the 8-byte
    // stores take and areas that end anywhere within a store: the last store
    // must still begin 8 bytes before the end.
    for (size_t size = 8; size <= 24; ++size) {
        for (uint8_t length = 1; length <= 8; ++length) {
            Bytes stream, expected;
            for (uint8_t value = 1; expected.size() < size; ++value) {
                stream.insert(stream.end(), {length, value});
                expected.insert(expected.end(), length, value);
            }
            expected.resize(size);
            EXPECT_EQ(decode(stream, size, 1), expected)
                << "area " << size << ", runs of " << int{length};
        }
    }
}

TEST(Rle8, EndOfInputAnywhereEndsDecoding)
{
    EXPECT_EQ(decode({}, 4, 1), Bytes(4, U));
    EXPECT_EQ(decode({3}, 4, 1), Bytes(4, U));
    EXPECT_EQ(decode({0}, 4, 1), Bytes(4, U));
    EXPECT_EQ(decode({0, 2, 1}, 4, 1), Bytes(4, U));
    EXPECT_EQ(decode({0, 5, 1, 2}, 8, 1), (Bytes{1, 2, U, U, U, U, U, U}));
}

namespace {

// Hands out a stream in pieces of `piece` bytes, as a buffered file does.
class PieceSource final : public ByteSource {
   public:
    PieceSource(const Bytes &stream, size_t piece) : stream_(stream), piece_(piece) {}
    bool nextPiece(const uint8_t **begin, const uint8_t **end) override
    {
        const size_t count = std::min(piece_, stream_.size() - at_);
        *begin = stream_.data() + at_;
        *end = *begin + count;
        at_ += count;
        return count > 0;
    }

   private:
    const Bytes &stream_;
    size_t piece_;
    size_t at_ = 0;
};

}  // namespace

// Runs, escapes and their padding split at every place by the pieces of the
// input decode as from one piece, also when the input ends inside a run.
TEST(Rle8, PiecesOfAnySizeDecodeTheSamePixels)
{
    const Bytes stream = {3, 7, 0, 5, 1, 2, 3, 4,   5, 0xEE, 0, 0, 2, 9, 0,    2, 1,
                          1, 0, 4, 6, 7, 8, 9, 200, 4, 0,    3, 1, 2, 3, 0xEE, 0, 1};
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        const Bytes input(stream.begin(), stream.begin() + cut);
        const Bytes whole = decode(input, 16, 20);
        for (size_t piece : {1, 2, 3, 7, 64}) {
            Bytes area(16 * 20, kUntouched);
            PieceSource source(input, piece);
            decodeRle8(source, area.data(), 16, 20);
            ASSERT_EQ(area, whole) << "piece " << piece << " input " << cut;
        }
    }
}
