#include "widgets/Subclass.h"

#include <memory>

#include "platform/Error.h"
#include "widgets/Seam.h"

namespace cx::ui {

// What the control holds of one subclass. It stays as long as it is linked in
// front of the control, or a message is still running through it, which may
// be longer than the Subclass that made it.
struct Subclass::Node {
    HWND hwnd = nullptr;
    bool unicode = false;
    WNDPROC previous = nullptr;  // the procedure this one went in front of
    Node* below = nullptr;       // that procedure's node, when it is a subclass of ours
    Subclass* owner = nullptr;   // nullptr: messages are only passed on
    int running = 0;             // messages inside this node right now
    bool linked = true;
};

namespace {

LONG_PTR GetLong(HWND h, int index, bool unicode) {
    return unicode ? GetWindowLongPtrW(h, index) : GetWindowLongPtrA(h, index);
}

LONG_PTR SetLong(HWND h, int index, LONG_PTR value, bool unicode) {
    return unicode ? SetWindowLongPtrW(h, index, value) : SetWindowLongPtrA(h, index, value);
}

}  // namespace

LRESULT Subclass::Call::Previous(UINT m, WPARAM w, LPARAM l) const {
    Node* n = node_;
    if (n->below) return Dispatch(n->below, hwnd, m, w, l);
    return n->unicode ? CallWindowProcW(n->previous, hwnd, m, w, l)
                      : CallWindowProcA(n->previous, hwnd, m, w, l);
}

bool Subclass::IsOurs(WNDPROC proc) noexcept { return proc == &ProcA || proc == &ProcW; }

LRESULT CALLBACK Subclass::ProcA(HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* top = reinterpret_cast<Node*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    return top ? Dispatch(top, h, msg, wp, lp) : DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK Subclass::ProcW(HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* top = reinterpret_cast<Node*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    return top ? Dispatch(top, h, msg, wp, lp) : DefWindowProcW(h, msg, wp, lp);
}

LRESULT Subclass::Dispatch(Node* node, HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    ++node->running;
    const Call call(node, h, msg, wp, lp);
    LRESULT result = 0;
    if (msg == WM_NCDESTROY) {
        result = call.Previous();
        if (node->owner) node->owner->node_ = nullptr;
        node->owner = nullptr;
        Unlink(node, true);
    } else if (node->owner && node->owner->handler_) {
        try {
            result = node->owner->handler_(call);
        } catch (const std::exception& e) {
            ReportException(e);
        } catch (...) {
            ReportUnknownException();
        }
    } else {
        result = call.Previous();
    }
    if (--node->running == 0 && !node->linked) delete node;
    return result;
}

bool Subclass::Unlink(Node* node, bool controlGone) noexcept {
    const HWND h = node->hwnd;
    auto* top = reinterpret_cast<Node*>(GetLong(h, GWLP_USERDATA, node->unicode));
    if (top == node) {
        // Only when this procedure is the one in front can the control have
        // its old one back; once the control is gone nothing calls it again.
        const bool inFront =
            IsOurs(reinterpret_cast<WNDPROC>(GetLong(h, GWLP_WNDPROC, node->unicode)));
        if (!inFront && !controlGone) return false;
        if (inFront)
            SetLong(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(node->previous), node->unicode);
        SetLong(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(node->below), node->unicode);
        node->linked = false;
        return true;
    }
    // Under another subclass of ours: that one takes over what this one went in front of.
    for (Node* above = top; above; above = above->below) {
        if (above->below != node) continue;
        above->below = node->below;
        above->previous = node->previous;
        node->linked = false;
        return true;
    }
    if (controlGone) node->linked = false;
    return !node->linked;
}

void Subclass::Attach(HWND control, Handler handler) {
    Detach();
    if (!control || !IsWindow(control) ||
        GetWindowThreadProcessId(control, nullptr) != GetCurrentThreadId())
        throw AppError("Only a window of this thread can be subclassed.");
    const bool unicode = IsWindowUnicode(control) != FALSE;
    const auto current = reinterpret_cast<WNDPROC>(GetLong(control, GWLP_WNDPROC, unicode));
    auto* data = reinterpret_cast<Node*>(GetLong(control, GWLP_USERDATA, unicode));
    // Our procedure in front always has its node in the user data, and the
    // user data is ours only then (a foreign procedure in front of ours
    // counts as someone else's).
    if (IsOurs(current) ? data == nullptr : data != nullptr)
        throw AppError("The window's user data is in use; it cannot be subclassed.");

    auto node = std::make_unique<Node>();
    node->hwnd = control;
    node->unicode = unicode;
    node->previous = current;
    node->below = IsOurs(current) ? data : nullptr;
    node->owner = this;
    handler_ = std::move(handler);

    SetLastError(0);
    SetLong(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(node.get()), unicode);
    if (GetLastError() != 0) ThrowLastError();
    SetLastError(0);
    const LONG_PTR was = SetLong(
        control, GWLP_WNDPROC,
        unicode ? reinterpret_cast<LONG_PTR>(&ProcW) : reinterpret_cast<LONG_PTR>(&ProcA), unicode);
    if (was == 0 && GetLastError() != 0) {
        const DWORD error = GetLastError();
        SetLong(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data), unicode);
        ThrowWin32(error);
    }
    node->previous = reinterpret_cast<WNDPROC>(was);
    node_ = node.release();
}

void Subclass::Detach() noexcept {
    Node* node = node_;
    if (!node) return;
    node_ = nullptr;
    node->owner = nullptr;
    // One that cannot be taken out keeps passing messages on until the control goes.
    if (Unlink(node, false) && node->running == 0) delete node;
}

HWND Subclass::hwnd() const noexcept { return node_ ? node_->hwnd : nullptr; }

}  // namespace cx::ui
