// A panorama with four hotspots, a logging notify window on screen and the
// navigation window over it, plus pixel read-back for the window tests.
#ifndef KAL_TEST_NAVIGATION_FIXTURE_H
#define KAL_TEST_NAVIGATION_FIXTURE_H

#include "common/test_images.h"
#include "core/kalengine.h"
#include "win32/message_log.h"
#include "windows/navigation_messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace kaltest {

constexpr UINT kRefreshMessage = KAL_REFRESH;
constexpr UINT kTickMessage = KAL_TICK;

class NavigationWindowTest : public ::testing::Test {
   protected:
    static constexpr int kSrcWidth = 1284, kSrcHeight = 480;
    static constexpr int kLeft = 8, kTop = 6, kWidth = 320, kHeight = 240;
    static constexpr int kId = 0x2A;

    void SetUp() override
    {
        dib_ = makePackedDib(kSrcWidth, kSrcHeight);
        // Image columns; the view starts centred on column 642 and shows
        // about 320 columns, the first three hotspots and gaps between them.
        const LONG columns[4][2] = {{560, 600}, {620, 660}, {700, 740}, {1000, 1100}};
        for (int i = 0; i < 4; ++i)
            hotSpots_[i].rect = {columns[i][0], 0, columns[i][1], kSrcHeight};
        KalAttribs attribs = {};
        attribs.numHotSpots = 4;
        attribs.hotSpots = hotSpots_;
        RECT viewport = {kLeft, kTop, kLeft + kWidth, kTop + kHeight};
        pan = kal_Create(asInfo(dib_), rowsOf(dib_), &viewport, &attribs);
        ASSERT_NE(pan, nullptr) << "kal_Create error " << kal_Error(nullptr);
        kal_SetValue(pan, KAL_VALUE_ID, kId);
        ASSERT_NE(notify, nullptr) << "no display: run under xvfb-run";
        log.clear();
    }

    // One notify window per suite (see createLogWindow).
    static void SetUpTestSuite()
    {
        notify = createLogWindow(&log, 0, 0, kLeft + kWidth + 40, kTop + kHeight + 40);
    }
    static void TearDownTestSuite()
    {
        if (notify) DestroyWindow(notify);
        notify = nullptr;
    }

    void TearDown() override
    {
        if (nav && IsWindow(nav))
            SendMessageA(nav, WM_KILLFOCUS, 0, 0);  // the motion state is process-wide
        ReleaseCapture();
        if (pan) kal_Delete(pan, FALSE);
        pumpFor(30);
        log.clear();
    }

    // Creates the navigation window and logs the messages reaching it too.
    void openWindow()
    {
        nav = kal_CreateWindow(pan, 0, notify);
        ASSERT_NE(nav, nullptr);
        logWindowMessages(nav, &log);
    }

    int value(UINT code) { return kal_GetValue(pan, code); }
    static LPARAM withId(unsigned low) { return static_cast<LPARAM>(MAKELONG(low, kId)); }

    // The notifications posted to the notify window, in order.
    std::vector<LoggedMessage> notifications() const { return log.only(KAL_NOTIFY); }

    // A viewport point on the middle row over hotspot `index` (-1: over none).
    bool findPoint(int index, POINT *point)
    {
        for (int x = 0; x < kWidth; ++x) {
            int found = -1;
            if (!kal_CheckHotSpot(pan, x, kHeight / 2, &found)) found = -1;
            if (found == index) {
                *point = {x, kHeight / 2};
                return true;
            }
        }
        return false;
    }

    void send(UINT message, WPARAM wParam, int x, int y)
    {
        SendMessageA(nav, message, wParam, MAKELPARAM(x, y));
    }

    // The window's client pixels as 0x00RRGGBB, top row first.
    std::vector<uint32_t> windowPixels()
    {
        std::vector<uint32_t> out(static_cast<size_t>(kWidth) * kHeight, 0xA5A5A5A5u);
        HDC windowDc = GetDC(nav);
        HDC memory = CreateCompatibleDC(windowDc);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (section && bits) {
            std::memset(bits, 0xA5, out.size() * 4);  // sentinel
            HGDIOBJ old = SelectObject(memory, section);
            BitBlt(memory, 0, 0, kWidth, kHeight, windowDc, 0, 0, SRCCOPY);
            GdiFlush();
            std::memcpy(out.data(), bits, out.size() * 4);
            SelectObject(memory, old);
            DeleteObject(section);
        }
        DeleteDC(memory);
        ReleaseDC(nav, windowDc);
        return out;
    }

    // The current view as the window should show it: kal_GetView's buffer
    // through its colour table, top row first.
    std::vector<uint32_t> expectedPixels()
    {
        std::vector<uint8_t> infoBlock(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto *info = reinterpret_cast<BITMAPINFO *>(infoBlock.data());
        auto *bits = static_cast<const uint8_t *>(kal_GetView(pan, info));
        std::vector<uint32_t> out(static_cast<size_t>(kWidth) * kHeight);
        if (!bits) return out;
        int stride = stride8(kWidth);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const RGBQUAD &c = info->bmiColors[bits[(kHeight - 1 - y) * stride + x]];
                out[static_cast<size_t>(y) * kWidth + x] =
                    (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
            }
        return out;
    }

    static size_t mismatches(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b)
    {
        size_t n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
        return n;
    }

    static bool paletteScreen()
    {
        HDC dc = GetDC(nullptr);
        bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
        ReleaseDC(nullptr, dc);
        return palette;
    }

    HPANORAMA pan = nullptr;
    HWND nav = nullptr;
    static inline HWND notify = nullptr;
    static inline MessageLog log{WM_USER, 0x7FFF};

   private:
    std::vector<uint8_t> dib_;
    KalHotSpot hotSpots_[4] = {};
};

}  // namespace kaltest

#endif
