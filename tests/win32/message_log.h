// Message-sequence helpers for window tests: a log of the messages that
// windows receive (a logging window, or a subclass of any window), a bounded
// message pump, and comparison with expected tables that prints both lists.
#ifndef KAL_TEST_MESSAGE_LOG_H
#define KAL_TEST_MESSAGE_LOG_H

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kaltest {

struct LoggedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// One row of an expected sequence. Without matchLParam only the message and
// wParam are compared.
struct ExpectedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool matchLParam;
};

// Messages in [first, last] reaching the windows tied to this log.
class MessageLog {
   public:
    MessageLog(UINT first = WM_USER, UINT last = 0xFFFF) : first_(first), last_(last) {}

    void record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message >= first_ && message <= last_)
            entries_.push_back({window, message, wParam, lParam});
    }
    void clear() { entries_.clear(); }
    const std::vector<LoggedMessage> &entries() const { return entries_; }
    std::vector<LoggedMessage> only(UINT message) const
    {
        std::vector<LoggedMessage> out;
        for (const LoggedMessage &m : entries_)
            if (m.message == message) out.push_back(m);
        return out;
    }
    size_t count(UINT message) const { return only(message).size(); }

   private:
    UINT first_, last_;
    std::vector<LoggedMessage> entries_;
};

namespace detail {

constexpr const char *kLogProperty = "kaltest.log";
constexpr const char *kOriginalProcProperty = "kaltest.proc";
constexpr const char *kLogClass = "KalTestMessageLog";

inline MessageLog *logOf(HWND window)
{
    return static_cast<MessageLog *>(GetPropA(window, kLogProperty));
}

inline LRESULT CALLBACK logWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTA *>(lParam);
        SetPropA(window, kLogProperty, create->lpCreateParams);
    } else if (message == WM_NCDESTROY) {
        RemovePropA(window, kLogProperty);
    } else if (MessageLog *log = logOf(window)) {
        log->record(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto original = reinterpret_cast<WNDPROC>(GetPropA(window, kOriginalProcProperty));
    if (MessageLog *log = logOf(window)) log->record(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kLogProperty);
        RemovePropA(window, kOriginalProcProperty);
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
}

}  // namespace detail

// A visible top-level popup whose messages go into log (for example a notify
// window). Destroy it with DestroyWindow. It is shown without activation:
// under Wine, destroying a window that was ever active costs two seconds, so
// share one across the tests of a suite when they need the focus.
inline HWND createLogWindow(MessageLog *log, int x, int y, int width, int height)
{
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = detail::logWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = detail::kLogClass;
        return RegisterClassA(&wc);
    }();
    if (!atom) return nullptr;
    HWND window = CreateWindowExA(0, detail::kLogClass, "log", WS_POPUP, x, y, width, height,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), log);
    if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// Records the messages reaching an existing window into log as well, ahead of
// its own procedure. Undone by itself when the window is destroyed.
inline void logWindowMessages(HWND window, MessageLog *log)
{
    SetPropA(window, detail::kLogProperty, log);
    LONG_PTR original =
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(detail::subclassProc));
    SetPropA(window, detail::kOriginalProcProperty, reinterpret_cast<HANDLE>(original));
}

// The one message pump of the window tests: dispatches this thread's messages
// until done() holds or timeoutMs have passed. Returns whether done() held.
inline bool pumpUntil(DWORD timeoutMs, const std::function<bool()> &done)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done && done()) return true;
        }
        if (done && done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

// Dispatches everything that arrives during ms milliseconds.
inline void pumpFor(DWORD ms)
{
    pumpUntil(ms, nullptr);
}

inline std::string describe(UINT message, WPARAM wParam, LPARAM lParam)
{
    char text[96];
    std::snprintf(text, sizeof text, "{msg %u, wParam %lu, lParam 0x%08lx}", message,
                  static_cast<unsigned long>(wParam), static_cast<unsigned long>(lParam));
    return text;
}

// Compares a logged sequence with an expected table; on a mismatch the
// failure shows both lists.
inline ::testing::AssertionResult sequenceMatches(const char *name,
                                                  const std::vector<ExpectedMessage> &expected,
                                                  const std::vector<LoggedMessage> &actual)
{
    bool same = expected.size() == actual.size();
    for (size_t i = 0; same && i < expected.size(); ++i) {
        const ExpectedMessage &e = expected[i];
        const LoggedMessage &a = actual[i];
        same = e.message == a.message && e.wParam == a.wParam &&
               (!e.matchLParam || e.lParam == a.lParam);
    }
    if (same) return ::testing::AssertionSuccess();
    std::string text = std::string("sequence ") + name + " differs\n  expected:";
    for (const ExpectedMessage &e : expected)
        text += "\n    " + describe(e.message, e.wParam, e.matchLParam ? e.lParam : 0) +
                (e.matchLParam ? "" : " (any lParam)");
    text += "\n  actual:";
    for (const LoggedMessage &a : actual)
        text += "\n    " + describe(a.message, a.wParam, a.lParam);
    return ::testing::AssertionFailure() << text;
}

}  // namespace kaltest

#endif
