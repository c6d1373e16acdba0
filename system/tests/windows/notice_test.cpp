#include "notice.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Plays the user: waits for the box with `caption` to come up, lets the test
// look at the windows while it is up, then presses OK.
class BoxAnswerer {
  public:
    BoxAnswerer(std::wstring caption, std::function<void(HWND box)> whileUp)
        : thread_([this, caption = std::move(caption), whileUp = std::move(whileUp)] {
              for (int i = 0; i < 1000 && !box_; ++i) {
                  box_ = FindWindowW(L"#32770", caption.c_str());
                  if (!box_) Sleep(20);
              }
              if (!box_) return;
              whileUp(box_);
              PostMessageW(box_, WM_COMMAND, IDOK, 0);
          }) {}
    ~BoxAnswerer() {
        if (thread_.joinable()) thread_.join();
    }
    // Waits until the box has been answered, or given up for.
    bool found() {
        if (thread_.joinable()) thread_.join();
        return box_ != nullptr;
    }

  private:
    std::atomic<HWND> box_{nullptr};
    std::thread thread_;
};

// Several tests run at once in one Wine prefix: each box has a caption of its own.
std::wstring uniqueCaption(const wchar_t* what) {
    return std::wstring(L"Brindlewick Updater ") + what + L" " +
           std::to_wstring(GetCurrentProcessId());
}

LRESULT CALLBACK plainWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcW(window, message, w, l);
}

const wchar_t* windowClass() {
    static const ATOM atom = [] {
        WNDCLASSW type = {};
        type.lpfnWndProc = plainWindow;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = L"BrindlewickNoticeTestWindow";
        return RegisterClassW(&type);
    }();
    return atom ? L"BrindlewickNoticeTestWindow" : nullptr;
}

struct WindowShape {
    bool visible;
    bool enabled;
    bool topmost;
};

HWND makeWindow(const WindowShape& shape) {
    const DWORD style = WS_OVERLAPPEDWINDOW | (shape.visible ? WS_VISIBLE : 0) |
                        (shape.enabled ? 0 : WS_DISABLED);
    return CreateWindowExW(shape.topmost ? WS_EX_TOPMOST : 0, windowClass(), L"test window", style,
                           10, 10, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool isTopmost(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// A window's state as a test can see it from any thread.
struct WindowState {
    bool enabled;
    bool topmost;
    bool visible;
    bool operator==(const WindowState& o) const {
        return enabled == o.enabled && topmost == o.topmost && visible == o.visible;
    }
};

WindowState stateOf(HWND window) {
    return {IsWindowEnabled(window) != FALSE, isTopmost(window), IsWindowVisible(window) != FALSE};
}

std::ostream& operator<<(std::ostream& out, const WindowState& s) {
    return out << (s.enabled ? "enabled" : "disabled") << (s.topmost ? ", topmost" : "")
               << (s.visible ? ", visible" : ", hidden");
}

void pumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The X display is shared with every other test that runs at the same time,
// so focus may need a few tries.
bool bringToFront(HWND window) {
    for (int i = 0; i < 100; ++i) {
        SetForegroundWindow(window);
        pumpPending();
        if (GetForegroundWindow() == window) return true;
        Sleep(20);
    }
    return false;
}

// A thread that owns one window and serves its messages until told to end.
class OtherThreadWindow {
  public:
    explicit OtherThreadWindow(const WindowShape& shape)
        : thread_([this, shape] {
              HWND made = makeWindow(shape);
              MSG message;
              PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
              threadId_ = GetCurrentThreadId();
              window_ = made;
              while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
              DestroyWindow(made);
          }) {
        while (!window_) Sleep(5);
    }
    ~OtherThreadWindow() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }

  private:
    std::atomic<HWND> window_{nullptr};
    std::atomic<DWORD> threadId_{0};
    std::thread thread_;
};

class ShowNotice : public testing::Test {
  protected:
    void TearDown() override {
        for (HWND window : windows_) DestroyWindow(window);
        pumpPending();
    }
    HWND make(const WindowShape& shape) {
        HWND window = makeWindow(shape);
        EXPECT_NE(window, nullptr);
        windows_.push_back(window);
        return window;
    }
    std::vector<HWND> windows_;
};

TEST_F(ShowNotice, ThreadsWindowsAreDisabledAndNotTopmostWhileTheBoxIsUp) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "message boxes need an X display (xvfb-run)";
    const struct {
        const char* what;
        WindowShape shape;
        WindowState whileUp;
    } cases[] = {
        {"visible, enabled, topmost", {true, true, true}, {false, false, true}},
        {"visible, enabled", {true, true, false}, {false, false, true}},
        {"already disabled, topmost", {true, false, true}, {false, false, true}},
        {"already disabled", {true, false, false}, {false, false, true}},
        {"hidden, enabled, topmost: left alone", {false, true, true}, {true, true, false}},
    };
    std::vector<HWND> made;
    std::vector<WindowState> before;
    for (const auto& c : cases) {
        made.push_back(make(c.shape));
        before.push_back(stateOf(made.back()));
    }
    OtherThreadWindow other({true, true, true});
    const WindowState otherBefore = stateOf(other.window());
    // Created last, so in the foreground: the box's owner.
    HWND front = make({true, true, false});
    ASSERT_TRUE(bringToFront(front));

    const std::wstring caption = uniqueCaption(L"windows");
    std::vector<WindowState> during(made.size());
    WindowState otherDuring{};
    HWND owner = nullptr;
    BoxAnswerer answerer(caption, [&](HWND box) {
        for (size_t i = 0; i < made.size(); ++i) during[i] = stateOf(made[i]);
        otherDuring = stateOf(other.window());
        owner = GetWindow(box, GW_OWNER);
    });
    EXPECT_EQ(showNotice(caption.c_str(), L"Brindlewick wurde erfolgreich aktualisiert!",
                         MB_ICONINFORMATION),
              IDOK);
    ASSERT_TRUE(answerer.found());

    EXPECT_EQ(owner, front);
    EXPECT_TRUE(otherDuring == otherBefore) << "another thread's window: " << otherDuring;
    EXPECT_TRUE(IsWindowEnabled(front));
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(during[i], cases[i].whileUp);
        EXPECT_EQ(stateOf(made[i]), before[i]) << "not restored";
    }
    EXPECT_TRUE(stateOf(other.window()) == otherBefore);
}

TEST_F(ShowNotice, ForegroundWindowIsNotDisabledBeforeTheBox) {
    // The box itself disables its owner, the foreground window, once it is
    // made; nothing may do so earlier. A window behind the foreground one,
    // which is enumerated after it, shows which came first.
    HWND behind = make({true, true, false});
    HWND front = make({true, true, false});
    ASSERT_TRUE(bringToFront(front));

    static std::atomic<int> frontDisabledWithBehindEnabled;
    static HWND watchedBehind;
    frontDisabledWithBehindEnabled = 0;
    watchedBehind = behind;
    const WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(front, GWLP_WNDPROC));
    static WNDPROC chained;
    chained = original;
    SetWindowLongPtrW(front, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) {
                          if (m == WM_ENABLE && !wp && IsWindowEnabled(watchedBehind)) {
                              ++frontDisabledWithBehindEnabled;
                          }
                          return CallWindowProcW(chained, w, m, wp, lp);
                      }));

    const std::wstring caption = uniqueCaption(L"foreground");
    WindowState frontDuring{}, behindDuring{};
    BoxAnswerer answerer(caption, [&](HWND) {
        frontDuring = stateOf(front);
        behindDuring = stateOf(behind);
    });
    EXPECT_EQ(showNotice(caption.c_str(), L"text", MB_ICONWARNING), IDOK);
    ASSERT_TRUE(answerer.found());
    SetWindowLongPtrW(front, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));

    EXPECT_FALSE(behindDuring.enabled);
    EXPECT_EQ(frontDisabledWithBehindEnabled, 0);
    EXPECT_TRUE(IsWindowEnabled(front));
    EXPECT_TRUE(IsWindowEnabled(behind));
}

TEST_F(ShowNotice, NoRecordOutlivesTheCall) {
    HWND window = make({true, true, true});
    HWND front = make({true, true, false});
    ASSERT_TRUE(bringToFront(front));
    const std::wstring caption = uniqueCaption(L"records");
    {
        BoxAnswerer answerer(caption, [](HWND) {});
        EXPECT_EQ(showNotice(caption.c_str(), L"first", MB_ICONINFORMATION), IDOK);
    }
    ASSERT_TRUE(IsWindowEnabled(window));
    ASSERT_TRUE(isTopmost(window));

    // Changed by its own program between two boxes: a record left over from
    // the first would "restore" it during the second.
    EnableWindow(window, FALSE);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Not the owner this time either: the box re-enables its owner when it ends.
    ASSERT_TRUE(bringToFront(front));
    {
        BoxAnswerer answerer(caption, [](HWND) {});
        EXPECT_EQ(showNotice(caption.c_str(), L"second", MB_ICONINFORMATION), IDOK);
    }
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_FALSE(isTopmost(window));
}

TEST_F(ShowNotice, ThreadWithoutWindowsShowsTheBoxWithoutOwner) {
    const std::wstring caption = uniqueCaption(L"alone");
    HWND owner = reinterpret_cast<HWND>(1);
    int pressed = 0;
    BoxAnswerer answerer(caption, [&](HWND box) { owner = GetWindow(box, GW_OWNER); });
    std::thread([&] { pressed = showNotice(caption.c_str(), L"text", MB_ICONINFORMATION); }).join();
    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(pressed, IDOK);
    EXPECT_EQ(owner, nullptr);
}

TEST_F(ShowNotice, EachThreadRestoresOnlyItsOwnWindows) {
    // Two threads with a box each, the second one opened while the first is
    // up and answered first: its end must not touch the first thread's
    // windows, which stay disabled until their own box goes.
    const std::wstring firstCaption = uniqueCaption(L"first thread");
    const std::wstring secondCaption = uniqueCaption(L"second thread");
    std::atomic<HWND> firstWindow{nullptr}, secondWindow{nullptr};
    std::atomic<bool> secondMayEnd{false};
    WindowState firstAfterSecond{}, secondAfterSecond{};

    std::thread first([&] {
        firstWindow = makeWindow({true, true, true});
        showNotice(firstCaption.c_str(), L"first", MB_ICONINFORMATION);
        DestroyWindow(firstWindow);
    });
    std::thread second;
    {
        BoxAnswerer firstAnswer(firstCaption, [&](HWND) {
            second = std::thread([&] {
                secondWindow = makeWindow({true, true, true});
                showNotice(secondCaption.c_str(), L"second", MB_ICONINFORMATION);
                firstAfterSecond = stateOf(firstWindow);
                secondAfterSecond = stateOf(secondWindow);
                secondMayEnd = true;
                DestroyWindow(secondWindow);
            });
            BoxAnswerer secondAnswer(secondCaption, [](HWND) {});
            EXPECT_TRUE(secondAnswer.found());
            while (!secondMayEnd) Sleep(10);
        });
        EXPECT_TRUE(firstAnswer.found());
    }
    first.join();
    second.join();
    EXPECT_EQ(firstAfterSecond, (WindowState{false, false, true}));
    EXPECT_EQ(secondAfterSecond, (WindowState{true, true, true}));
}

}  // namespace
