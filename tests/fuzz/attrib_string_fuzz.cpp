// libFuzzer target over kal_AttribString: arbitrary bytes under each way of
// giving the length, checked against the block's invariants and against the
// same text read with other bytes beyond its end.
#include "../common/fuzz_cases.h"
#include "core/kalengine.h"
#include "stand_in_control.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void require(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "attrib_string_fuzz: %s\n", what);
    std::abort();
}

struct Outcome {
    KalAttribs block{};
    int result = 0;
    int error = 0;
};

// Runs one call, checks the block and releases its array.
Outcome run(const char *text, int length, bool refuseHeap)
{
    long live = standInLiveHeapBlocks();
    Outcome out;
    std::memset(&out.block, 0xA5, sizeof out.block);
    if (refuseHeap) standInFailHeapAfter(0);
    out.result = kal_AttribString(text, length, &out.block);
    standInFailHeapAfter(-1);
    out.error = kal_Error(nullptr);
    const KalAttribs &b = out.block;
    require(out.error == KAL_ERR_NONE || (out.error == KAL_ERR_MEMORY && refuseHeap),
            "no error but a refused array");
    const char *problem = kalfuzz::attribBlockProblem(b, out.result);
    require(!problem, problem);
    require(standInLiveHeapBlocks() == live + (b.hotSpots ? 1 : 0), "only the array is left");
    return out;
}

void release(Outcome &out)
{
    kal_FreeResource(out.block.hotSpots);
    out.block.hotSpots = nullptr;
}

// Byte for byte, strings up to their last byte included: a block depends on
// the text alone. Only the arrays' addresses differ.
bool sameBlock(const Outcome &a, const Outcome &b)
{
    KalAttribs x = a.block, y = b.block;
    x.hotSpots = y.hotSpots = nullptr;
    if (a.result != b.result || a.error != b.error || std::memcmp(&x, &y, sizeof x) != 0)
        return false;
    const size_t bytes = sizeof(KalHotSpot) * static_cast<size_t>(x.numHotSpots);
    return bytes == 0 || std::memcmp(a.block.hotSpots, b.block.hotSpots, bytes) == 0;
}

// Bytes beyond the length that would change the outcome if they were read.
constexpr char kTail[] = "9) hotspot(1 2 3 4 x y) angle(7) userstring('tail')";

}  // namespace

// First byte: bits 0-1 pick how the length is given, bit 2 makes the heap
// refuse the hotspot array, bits 3-7 shorten the length in mode 2.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const bool refuse = (mode & 4) != 0;
    std::vector<char> exact(data + 1, data + size);  // ASan sees any read past it
    const size_t n = exact.size();
    const char *text = n ? exact.data() : nullptr;

    switch (mode & 3) {
        case 0: {  // NUL-terminated, Length -1: same as the exact length up to the NUL
            std::vector<char> terminatedCopy(exact);
            terminatedCopy.push_back('\0');
            Outcome a = run(terminatedCopy.data(), -1, refuse);
            Outcome b = run(terminatedCopy.data(),
                            static_cast<int>(std::strlen(terminatedCopy.data())), refuse);
            require(sameBlock(a, b), "Length -1 reads up to the NUL");
            release(a);
            release(b);
            break;
        }
        case 1:
        case 2: {  // an exact or a shorter length: bytes beyond it are never read
            size_t cut = (mode & 3) == 2 ? (mode >> 3) % (n + 1) : 0;
            int length = static_cast<int>(n - cut);
            Outcome a = run(text, length, refuse);
            std::vector<char> longer(exact.begin(), exact.begin() + length);
            longer.insert(longer.end(), kTail, kTail + sizeof kTail);
            Outcome b = run(longer.data(), length, refuse);
            require(sameBlock(a, b), "nothing beyond Length is read");
            release(a);
            release(b);
            break;
        }
        default: {  // no text, or no positive length
            int length = n ? -static_cast<int>(static_cast<uint8_t>(exact[0])) - 2 : 0;
            Outcome a = run(text, length, refuse);
            require(a.result == 1 && a.block.numHotSpots == 0 && a.block.angle == 0,
                    "a nonpositive length reads nothing");
            KalAttribs untouched;
            std::memset(&untouched, 0x3C, sizeof untouched);
            require(kal_AttribString(nullptr, length ? length : -1, &untouched) == 0 &&
                        kal_Error(nullptr) == KAL_ERR_PARAM && untouched.angle == 0x3C3C3C3C,
                    "no text is refused");
            break;
        }
    }
    return 0;
}
