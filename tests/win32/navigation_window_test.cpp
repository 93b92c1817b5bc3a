// The navigation window's life: creation renders and paints the view before
// kal_CreateWindow returns, windows without a panorama stay inert, and
// kal_Delete takes the window down first.
#include "win32/navigation_fixture.h"

namespace kaltest {
namespace {

// The halt of a running motion, as the notify window sees it.
const std::vector<ExpectedMessage> kHaltSeq = {
    {KAL_NOTIFY, KN_HALT, MAKELONG(0, 0x2A), true},
};

using NavigationWindow = NavigationWindowTest;

TEST_F(NavigationWindow, CreationTiesWindowToPanorama)
{
    openWindow();
    EXPECT_EQ(GetParent(nav), notify);
    EXPECT_EQ(GetPropA(nav, "kal"), static_cast<HANDLE>(pan));
    EXPECT_EQ(kal_GetHandle(pan, KAL_HANDLE_VIEWERWND), static_cast<HANDLE>(nav));
    EXPECT_EQ(kal_GetHandle(pan, KAL_HANDLE_NOTIFYWND), static_cast<HANDLE>(notify));
    char className[64] = "";
    GetClassNameA(nav, className, sizeof className);
    EXPECT_STREQ(className, "Kalvoria:Navigate");
    LONG style = GetWindowLongA(nav, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE)
        << "style 0 means a visible child";
    RECT rect;
    GetWindowRect(nav, &rect);
    MapWindowPoints(nullptr, notify, reinterpret_cast<POINT *>(&rect), 2);
    EXPECT_EQ(rect.left, kLeft);
    EXPECT_EQ(rect.top, kTop);
    GetClientRect(nav, &rect);
    EXPECT_EQ(rect.right, kWidth);
    EXPECT_EQ(rect.bottom, kHeight);
}

TEST_F(NavigationWindow, FirstViewIsPaintedBeforeCreationReturns)
{
    if (paletteScreen()) GTEST_SKIP() << "exact colours need a true-colour screen";
    openWindow();
    std::vector<uint32_t> shown = windowPixels();  // no message pumped yet
    std::vector<uint32_t> expected = expectedPixels();
    EXPECT_EQ(mismatches(shown, expected), 0u);
    size_t distinct = 0;
    for (size_t i = 1; i < expected.size(); ++i) distinct += expected[i] != expected[0];
    EXPECT_GT(distinct, expected.size() / 2) << "the view has a picture, not one colour";
}

TEST_F(NavigationWindow, PaletteScreenPaintsThroughThePanoramaPaletteEightBit)
{
    if (!paletteScreen()) GTEST_SKIP() << "needs a palette screen";
    openWindow();
    ASSERT_NE(kal_GetHandle(pan, KAL_HANDLE_PALETTE), nullptr);
    // Wine draws an 8-bit window through its own colour cube whatever palette
    // is realised, so the read-back colours are only near the view's.
    std::vector<uint32_t> shown = windowPixels();
    std::vector<uint32_t> expected = expectedPixels();
    size_t nearby = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        bool close = true;
        for (int shift : {0, 8, 16}) {
            int d = int((shown[i] >> shift) & 0xFF) - int((expected[i] >> shift) & 0xFF);
            close = close && d > -0x30 && d < 0x30;
        }
        nearby += close;
    }
    EXPECT_GT(nearby, shown.size() * 9 / 10);
    EXPECT_EQ(SendMessageA(nav, WM_QUERYNEWPALETTE, 0, 0), 1);
    EXPECT_EQ(SendMessageA(nav, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(nav), 0), 0);
    EXPECT_EQ(SendMessageA(nav, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(notify), 0), 1);
}

TEST_F(NavigationWindow, NullPanoramaCreatesNothing)
{
    EXPECT_EQ(kal_CreateWindow(nullptr, 0, notify), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(FindWindowExA(notify, nullptr, "Kalvoria:Navigate", nullptr), nullptr);
}

TEST_F(NavigationWindow, FailedCreationReturnsNull)
{
    // A child style without a parent cannot be created.
    EXPECT_EQ(kal_CreateWindow(pan, WS_CHILD, nullptr), nullptr);
    EXPECT_EQ(kal_GetHandle(pan, KAL_HANDLE_VIEWERWND), nullptr);
}

TEST_F(NavigationWindow, EraseAndPaletteAnswers)
{
    openWindow();
    EXPECT_EQ(SendMessageA(nav, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(SendMessageA(nav, KAL_COMMAND, KC_ORIENTATION, 90), 0);
}

TEST_F(NavigationWindow, KalDeleteDestroysTheWindowAndHaltsItsMotion)
{
    openWindow();
    SendMessageA(nav, WM_KEYDOWN, VK_RIGHT, 0);
    pumpFor(120);
    log.clear();
    ASSERT_TRUE(kal_Delete(pan, FALSE));
    pan = nullptr;
    EXPECT_FALSE(IsWindow(nav));
    pumpFor(250);
    EXPECT_TRUE(sequenceMatches("kHaltSeq", kHaltSeq, notifications()));
    EXPECT_EQ(log.count(kTickMessage), 0u) << "the timer died with the window";
}

TEST_F(NavigationWindow, DestroyUntiesWindowAndIgnoresLateMessages)
{
    openWindow();
    pumpFor(30);
    int xPos = value(KAL_VALUE_XPOS);
    // Messages that arrive after WM_DESTROY, while the window is going away.
    struct Late {
        static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
        {
            auto original = reinterpret_cast<WNDPROC>(GetPropA(w, "test.proc"));
            if (m == WM_NCDESTROY) {
                EXPECT_EQ(GetPropA(w, "kal"), nullptr);
                const UINT late[] = {WM_TIMER,       kTickMessage, kRefreshMessage, WM_KEYDOWN,
                                     WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP,    WM_SETCURSOR,
                                     WM_KILLFOCUS,   WM_KEYUP,     WM_DESTROY};
                for (UINT message : late)
                    KalNavigate(w, message, message == WM_KEYDOWN ? VK_LEFT : MK_LBUTTON,
                                MAKELPARAM(5, 5));
                KalNavigate(w, KAL_COMMAND, KC_TIMERTICK, 0);
                RemovePropA(w, "test.proc");
            }
            return CallWindowProcA(original, w, m, wp, lp);
        }
    };
    SetPropA(nav, "test.proc",
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrA(nav, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Late::proc))));
    log.clear();
    ASSERT_TRUE(DestroyWindow(nav));
    pumpFor(100);
    EXPECT_EQ(notifications().size(), 0u);
    EXPECT_EQ(kal_GetHandle(pan, KAL_HANDLE_VIEWERWND), nullptr);
    EXPECT_EQ(value(KAL_VALUE_XPOS), xPos);
}

TEST_F(NavigationWindow, HostMadeWindowWithoutPanoramaIsInert)
{
    HWND orphan = CreateWindowExA(0, "Kalvoria:Navigate", "", WS_CHILD | WS_VISIBLE, 0, 0, 64, 48,
                                  notify, nullptr, nullptr, nullptr);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(GetPropA(orphan, "kal"), nullptr);
    log.clear();
    const UINT messages[] = {WM_LBUTTONDOWN,  WM_MOUSEMOVE, WM_TIMER,     kTickMessage,
                             kRefreshMessage, WM_SETCURSOR, WM_LBUTTONUP, WM_KILLFOCUS};
    for (UINT message : messages) SendMessageA(orphan, message, MK_LBUTTON, MAKELPARAM(40, 5));
    SendMessageA(orphan, WM_KEYDOWN, VK_ADD, 0);
    SendMessageA(orphan, KAL_COMMAND, KC_TIMERTICK, 0);
    InvalidateRect(orphan, nullptr, FALSE);
    UpdateWindow(orphan);
    pumpFor(80);
    EXPECT_EQ(notifications().size(), 0u);
    EXPECT_TRUE(DestroyWindow(orphan));
}

TEST_F(NavigationWindow, HostMadeWindowWithPanoramaIsTied)
{
    nav = CreateWindowExA(0, "Kalvoria:Navigate", "", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight,
                          notify, nullptr, nullptr, pan);
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(GetPropA(nav, "kal"), static_cast<HANDLE>(pan));
    EXPECT_EQ(kal_GetHandle(pan, KAL_HANDLE_VIEWERWND), static_cast<HANDLE>(nav));
    logWindowMessages(nav, &log);
    EXPECT_TRUE(pumpUntil(500, [&] { return log.count(kRefreshMessage) > 0; }))
        << "creation posts the first refresh";
}

}  // namespace
}  // namespace kaltest
