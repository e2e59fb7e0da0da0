#pragma once
// Adopts a control made by someone else (a list view, a tree view) so that a
// handler of ours sees its messages before the control does.
//
// comctl32's SetWindowSubclass keeps its data in a window property, and under
// Wine every property look-up is a round trip to the wineserver, on every
// message the control gets: a list view so adopted took 80 times longer to
// fill with 2,000 rows. This keeps its data in the control's GWLP_USERDATA,
// which the common controls leave to the application, and gives the control
// back the procedure it had when the subclass ends or the control goes.
#include <windows.h>

#include <functional>

namespace cx::ui {

class Subclass {
    struct Node;

public:
    // One message on its way to the control.
    class Call {
    public:
        HWND hwnd;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        // What the control would do with this message, or with another one,
        // without this subclass: the subclass under it, or its own procedure.
        LRESULT Previous() const { return Previous(msg, wp, lp); }
        LRESULT Previous(UINT m, WPARAM w, LPARAM l) const;

    private:
        friend class Subclass;
        Call(Node* node, HWND h, UINT m, WPARAM w, LPARAM l)
            : hwnd(h), msg(m), wp(w), lp(l), node_(node) {}
        Node* node_;
    };
    // Sees every message but WM_NCDESTROY (the subclass passes that on itself,
    // so the control always frees what it holds) and returns its result. An
    // error it throws is shown by the general error handler, and the message
    // then yields 0. Messages come in the control's own character set.
    using Handler = std::function<LRESULT(const Call& call)>;

    Subclass() = default;
    ~Subclass() { Detach(); }
    Subclass(const Subclass&) = delete;
    Subclass& operator=(const Subclass&) = delete;

    // Puts `handler` in front of the control, ending any subclass this object
    // held before. Throws when `control` is no window of this thread, or when
    // its user data is taken by anyone but another Subclass.
    void Attach(HWND control, Handler handler);
    // Gives the control back the procedure it had. When someone has put a
    // procedure of their own in front of this one since, that cannot be undone:
    // this subclass then only passes messages on until the control goes.
    void Detach() noexcept;
    // The control while this subclass holds it and it lives; nullptr otherwise.
    HWND hwnd() const noexcept;
    bool Attached() const noexcept { return node_ != nullptr; }

private:
    static LRESULT Dispatch(Node* node, HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK ProcA(HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK ProcW(HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static bool IsOurs(WNDPROC proc) noexcept;
    // Takes `node` out from in front of its control; false when it has to stay.
    static bool Unlink(Node* node, bool controlGone) noexcept;

    Node* node_ = nullptr;
    Handler handler_;
};

}  // namespace cx::ui
