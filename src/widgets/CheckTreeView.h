#pragma once
// A read-only tree view whose nodes carry a check mark as their state image:
// 1 unchecked (an empty box), 2 checked (a box with a tick), 3 partial (a box
// with a filled square). It knows nothing of what the marks mean; the owner
// decides what a press on a mark does (onStateIconClick) and sets the marks.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "platform/Handles.h"
#include "widgets/Subclass.h"

namespace cx::ui {

class CheckTreeView {
public:
    enum : int { kUnchecked = 1, kChecked = 2, kPartial = 3 };
    static constexpr int kImageSize = 16;

    CheckTreeView() = default;
    ~CheckTreeView();
    CheckTreeView(const CheckTreeView&) = delete;
    CheckTreeView& operator=(const CheckTreeView&) = delete;

    // Creates the control as a child of `parent` with that id and font; throws
    // when it cannot be created.
    void Create(HWND parent, int id, int x, int y, int width, int height, HFONT font);
    // nullptr before Create and once the control is gone.
    HWND hwnd() const noexcept { return subclass_.hwnd(); }

    // Adds a node as the last child of `parent` (nullptr or TVI_ROOT: a root
    // node); `state` is 1..3. Throws when the control refuses it.
    // `hasChildren` shows the expand button before any child is added (children
    // inserted only when the node is expanded).
    HTREEITEM AddNode(HTREEITEM parent, const std::string& text, int state, LPARAM data = 0,
                      bool hasChildren = false);
    void SetNodeState(HTREEITEM item, int state);
    int NodeState(HTREEITEM item) const;  // 0 for no item
    std::string NodeText(HTREEITEM item) const;
    LPARAM NodeData(HTREEITEM item) const;
    // Removes the node with everything below it.
    void RemoveNode(HTREEITEM item);
    void Clear();
    int Count() const;
    bool Empty() const { return Count() == 0; }
    HTREEITEM Root() const;  // the first root node, nullptr when empty
    void Expand(HTREEITEM item);
    // The node whose check mark is at that client point, nullptr elsewhere.
    HTREEITEM HitTestState(POINT client) const;

    // A press of any mouse button on a node's check mark. The control does not
    // change the mark itself.
    std::function<void(HTREEITEM item)> onStateIconClick;

private:
    LRESULT OnMessage(const Subclass::Call& call);
    HWND tree() const noexcept { return subclass_.hwnd(); }

    HIMAGELIST images_ = nullptr;
    Subclass subclass_;  // holds the control: its presses come here
};

// The three check-mark pictures as one strip of four 16 x 16 images (index 0
// is blank, the state images use 1..3), for the state image list.
unique_hbitmap MakeCheckMarkStrip();

}  // namespace cx::ui
