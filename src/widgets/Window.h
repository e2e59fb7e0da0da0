#pragma once
// Base of every window of ours: a static window procedure takes the object from
// the creation parameter at WM_NCCREATE, forwards each later message to the
// object's HandleMessage, and forgets the object at WM_NCDESTROY. Every message
// runs under the general error handler, so an error in a handler is shown and
// the program goes on.
#include <windows.h>

#include <string>

namespace cx::ui {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    // The object behind one of our windows; nullptr for any other window,
    // whatever it keeps in its user data.
    static Window* FromHandle(HWND hwnd) noexcept;

protected:
    struct ClassSpec {
        const char* name;
        UINT style = CS_DBLCLKS;
        HCURSOR cursor = nullptr;     // nullptr: the arrow
        HBRUSH background = nullptr;  // nullptr: the window paints everything itself
        HICON icon = nullptr;
    };
    // Registers the class (once per process) and creates the window; throws on failure.
    void Create(const ClassSpec& cls, DWORD exStyle, DWORD style, const std::string& title, int x,
                int y, int width, int height, HWND parent = nullptr, HMENU menuOrId = nullptr);

    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called once the window is gone (WM_NCDESTROY); hwnd() is null afterwards.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    HWND hwnd_ = nullptr;
};

// Runs the thread's message loop until WM_QUIT; returns its exit code.
int RunMessageLoop(HACCEL accelerators = nullptr, HWND acceleratorTarget = nullptr);
// Dispatches what is pending without waiting (the program's "process messages").
void ProcessPendingMessages();

}  // namespace cx::ui
