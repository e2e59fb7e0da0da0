#include "cleanup/CheckTree.h"

#include <stdexcept>

#include "platform/Strings.h"

namespace cx::cleanup {

NodeId CheckTree::Add(NodeId parent, std::string text, NodeKind kind, CheckState state) {
    if (parent != -1 && !Contains(parent)) throw std::out_of_range("CheckTree: no such parent");
    Node n;
    n.id = static_cast<NodeId>(nodes_.size());
    n.parent = parent;
    n.text = std::move(text);
    n.kind = kind;
    n.state = state;
    nodes_.push_back(std::move(n));
    if (parent != -1) nodes_[parent].children.push_back(nodes_.back().id);
    ++alive_;
    return nodes_.back().id;
}

NodeId CheckTree::AddRegistry(NodeId parent, RegPath path, CheckState state) {
    const NodeKind kind = path.IsValue() ? NodeKind::RegValue : NodeKind::RegKey;
    NodeId id = Add(parent, RegPathText(path), kind, state);
    nodes_[id].reg = std::move(path);
    return id;
}

NodeId CheckTree::AddRegistryText(NodeId parent, std::string text, NodeKind kind,
                                  CheckState state) {
    std::optional<RegPath> path;
    const size_t first = text.find('\\');
    if (auto hive = ParseHive(std::string_view(text).substr(0, first))) {
        path = RegPath{*hive, {}, {}};
        std::string rest = first == std::string::npos ? std::string() : text.substr(first + 1);
        if (kind == NodeKind::RegValue) {
            const size_t last = rest.rfind('\\');
            path->value = AnsiToWide(last == std::string::npos ? rest : rest.substr(last + 1));
            rest = last == std::string::npos ? std::string() : rest.substr(0, last);
        }
        path->key = AnsiToWide(rest);
    }
    NodeId id = Add(parent, std::move(text), kind, state);
    nodes_[id].reg = std::move(path);
    return id;
}

NodeId CheckTree::AddPath(NodeId parent, std::wstring path, NodeKind kind, CheckState state) {
    NodeId id = Add(parent, WideToAnsi(path), kind, state);
    nodes_[id].path = std::move(path);
    return id;
}

void CheckTree::SetIdentity(NodeId id, uint32_t volume, uint64_t fileIndex) {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    nodes_[id].volume = volume;
    nodes_[id].fileIndex = fileIndex;
    nodes_[id].identified = true;
}

void CheckTree::Lock(NodeId id) {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    nodes_[id].locked = true;
    nodes_[id].state = csUnchecked;
}

void CheckTree::SetText(NodeId id, std::string text) {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    nodes_[id].text = std::move(text);
}

bool CheckTree::Empty() const noexcept { return alive_ == 0; }
size_t CheckTree::Size() const noexcept { return alive_; }

bool CheckTree::Contains(NodeId id) const noexcept {
    return id >= 0 && static_cast<size_t>(id) < nodes_.size() && nodes_[id].id == id;
}

const Node& CheckTree::Get(NodeId id) const {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    return nodes_[id];
}

std::vector<NodeId> CheckTree::Roots() const {
    std::vector<NodeId> roots;
    for (const Node& n : nodes_)
        if (n.id != -1 && n.parent == -1) roots.push_back(n.id);
    return roots;
}

std::vector<NodeId> CheckTree::InOrder() const {
    std::vector<NodeId> order;
    order.reserve(alive_);
    // An explicit stack: a deep folder tree must not exhaust the thread's stack.
    std::vector<NodeId> stack;
    auto roots = Roots();
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back(*it);
    while (!stack.empty()) {
        NodeId id = stack.back();
        stack.pop_back();
        order.push_back(id);
        const auto& ch = nodes_[id].children;
        for (auto it = ch.rbegin(); it != ch.rend(); ++it) stack.push_back(*it);
    }
    return order;
}

void CheckTree::ToggleNodeState(NodeId id) {
    Node& n = nodes_.at(id);
    if (n.id == -1) throw std::out_of_range("CheckTree: no such node");
    if (n.locked) return;
    n.state = n.state == csChecked ? csUnchecked : csChecked;
    if (!n.children.empty()) SetChildrenState(id);
    if (n.parent != -1) UpdateParentState(n.parent);
}

void CheckTree::SetState(NodeId id, CheckState state) {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    nodes_[id].state = state;
}

void CheckTree::SetChildrenState(NodeId id) {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    const CheckState state = nodes_[id].state;
    std::vector<NodeId> stack(nodes_[id].children.begin(), nodes_[id].children.end());
    while (!stack.empty()) {
        Node& n = nodes_[stack.back()];
        stack.pop_back();
        n.state = state;
        stack.insert(stack.end(), n.children.begin(), n.children.end());
    }
    // Locked nodes keep out of it; their ancestors follow what really changed.
    std::vector<NodeId> locked;
    stack.assign(nodes_[id].children.begin(), nodes_[id].children.end());
    while (!stack.empty()) {
        const Node& n = nodes_[stack.back()];
        stack.pop_back();
        if (n.locked) locked.push_back(n.id);
        stack.insert(stack.end(), n.children.begin(), n.children.end());
    }
    for (auto it = locked.rbegin(); it != locked.rend(); ++it) {
        nodes_[*it].state = csUnchecked;
        UpdateParentState(*it);
    }
}

void CheckTree::UpdateParentState(NodeId id) {
    for (NodeId cur = id; cur != -1; cur = nodes_[cur].parent) {
        if (!Contains(cur)) throw std::out_of_range("CheckTree: no such node");
        Node& n = nodes_[cur];
        bool any = false, all = true;
        for (NodeId c : n.children) {
            CheckState s = nodes_[c].state;
            if (s == csChecked || s == csPartial) any = true;
            if (s != csChecked) all = false;
        }
        // A node left without children keeps its mark: there is nothing to derive it from.
        if (n.children.empty()) continue;
        n.state = !any ? csUnchecked : all && !n.locked ? csChecked : csPartial;
    }
}

void CheckTree::Remove(NodeId id) {
    if (!Contains(id)) return;
    NodeId parent = nodes_[id].parent;
    if (parent != -1) {
        auto& siblings = nodes_[parent].children;
        for (auto it = siblings.begin(); it != siblings.end(); ++it)
            if (*it == id) {
                siblings.erase(it);
                break;
            }
    }
    std::vector<NodeId> stack{id};
    while (!stack.empty()) {
        Node& n = nodes_[stack.back()];
        stack.pop_back();
        stack.insert(stack.end(), n.children.begin(), n.children.end());
        n = Node{};  // frees the texts; id -1 marks the slot as removed
        --alive_;
    }
}

void CheckTree::Clear() {
    nodes_.clear();
    alive_ = 0;
}

void CheckTree::SetReason(NodeId id, Reason reason) { nodes_.at(id).reason = reason; }

void CheckTree::SetEmptyOnly(NodeId id) { nodes_.at(id).emptyOnly = true; }

void CheckTree::SetPutBack(NodeId id, uint32_t oldType, std::vector<uint8_t> oldData) {
    if (!Contains(id)) throw std::out_of_range("CheckTree: no such node");
    nodes_[id].putBack = true;
    nodes_[id].oldType = oldType;
    nodes_[id].oldData = std::move(oldData);
}

Reason CheckTree::ReasonOf(NodeId id) const {
    for (NodeId cur = id; cur != -1; cur = Get(cur).parent)
        if (Get(cur).reason != Reason::None) return Get(cur).reason;
    return Reason::None;
}

}  // namespace cx::cleanup
