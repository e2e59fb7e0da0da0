#pragma once
// The findings of a remains scan as a tree of check-marked nodes, kept apart
// from any window: the scan fills it, the scan window shows it, removal reads
// and prunes it. Nodes live in tree order (depth-first, a parent before its
// children, siblings in the order they were added).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegPath.h"

namespace cx::cleanup {

// The state-image indexes of the tree views.
enum CheckState : int { csUnchecked = 1, csChecked = 2, csPartial = 3 };

enum class NodeKind {
    RegKey,    // a matched registry key (root level of the registry tree)
    RegValue,  // one value of a matched key
    Folder,    // a folder (the install directory is the root of the file tree)
    File,      // a file
    Link,      // a junction or symbolic link: listed, never descended, removed as a link
};

using NodeId = int;  // stable for the life of the node; -1: none

// Why the scan offers an item. Set on the item the scan found (a root, or a
// product's key or folder below its maker's); what lies inside it is offered
// for the same reason.
enum class Reason : unsigned char {
    None,
    Registration,         // named exactly like its uninstall entry
    InstallLocation,      // the install folder, as the entry's InstallLocation gives it
    InstallerComponents,  // the install folder, where Windows Installer put its files
    InstallerProperty,    // the install folder, as Windows Installer's InstallLocation gives it
    UninstallerFolder,    // the install folder, as the folder of its uninstaller
    IconFolder,           // the install folder, as the folder of its icon
    PointsIntoFolder,     // its command, icon, server, path or target lies in the install folder
    NameOnly,             // named like the product or its maker, nothing more: it may be another's
    EmptyVendor,          // the maker's key or folder, holding nothing but the items below it
    InstallerRecord,      // Windows Installer's own record of the product, which is gone
    VirtualStore,         // the per-user copy Windows made of the program's machine-wide place
    FolderByName,         // a folder named like the program where programs are installed
    ChosenFolder,         // the folder the user named as the program's
    BrokenEntry,          // the uninstall entry itself, whose uninstaller and files are gone
    WrittenBySetup,       // its setup created it, as a watched install recorded
    ChangedBySetup,       // its setup changed it, as a watched install recorded: put back
};

struct Node {
    NodeId id = -1;
    NodeId parent = -1;
    std::vector<NodeId> children;
    std::string text;
    NodeKind kind = NodeKind::File;
    CheckState state = csChecked;
    // Registry nodes only: where the item lives, as the scan found it by its
    // UTF-16 names. Removal, the undo and the export go by this and never by
    // `text`, which is only how it is shown. None: not known (a node made from
    // a text that names no place), and nothing is done to it.
    std::optional<RegPath> reg;
    // File nodes only: the item's real full path, by its UTF-16 names. `text`
    // is only how it is shown (a character the code page lacks shows as "?");
    // removal goes by this. Empty: not recorded (removal takes `text`).
    std::wstring path;
    // Folder nodes found by the scan: which folder it was (volume serial and
    // file index). Removal acts only on the folder that still is this one: a
    // folder renamed away and replaced, or swapped for a link, is another place.
    uint32_t volume = 0;
    uint64_t fileIndex = 0;
    bool identified = false;
    // A folder that must stay: another program lives in it or below it. It is
    // never checked; what it holds of its own can be.
    bool locked = false;
    Reason reason = Reason::None;
    // A maker's key: it goes only when nothing is left in it once the checked
    // items below it are gone (anything that came since keeps it).
    bool emptyOnly = false;
    // A value node of a value the program's setup changed: its removal writes
    // the data it held before back (of type `oldType`) instead of deleting it.
    bool putBack = false;
    uint32_t oldType = 0;
    std::vector<uint8_t> oldData;
};

class CheckTree {
public:
    NodeId Add(NodeId parent, std::string text, NodeKind kind, CheckState state = csChecked);
    // A registry node known by where it lives: a value node for a value, else
    // a key node; its text is RegPathText(path).
    NodeId AddRegistry(NodeId parent, RegPath path, CheckState state = csChecked);
    // A registry node made from a text such as RegPathText makes (tests, and
    // callers that hold nothing else): the hive before the first "\" (a long
    // name, exactly), then the key, and for a value node the value's name after
    // the last "\". The text is kept as given; a text naming no hive gives a
    // node without a place. Only for such texts: a value name holding "\" is
    // split wrongly, which is why the scan adds its nodes by their paths.
    NodeId AddRegistryText(NodeId parent, std::string text, NodeKind kind,
                           CheckState state = csChecked);
    // A file-tree node known by its real path; its text is that path converted.
    NodeId AddPath(NodeId parent, std::wstring path, NodeKind kind, CheckState state = csChecked);
    // Records which folder a folder node is (see Node::volume).
    void SetIdentity(NodeId id, uint32_t volume, uint64_t fileIndex);
    // Marks a node as one that must stay (see Node::locked) and unchecks it.
    void Lock(NodeId id);
    void SetText(NodeId id, std::string text);
    void SetReason(NodeId id, Reason reason);
    void SetEmptyOnly(NodeId id);
    void SetPutBack(NodeId id, uint32_t oldType, std::vector<uint8_t> oldData);
    // The reason of the node or of the nearest node above it that has one.
    Reason ReasonOf(NodeId id) const;
    bool Empty() const noexcept;
    size_t Size() const noexcept;
    const Node& Get(NodeId id) const;
    bool Contains(NodeId id) const noexcept;
    std::vector<NodeId> Roots() const;
    // Every node in tree order.
    std::vector<NodeId> InOrder() const;

    // Unchecked -> checked, checked -> unchecked, partial -> checked; then the
    // children take the new state and the ancestors are recomputed. A locked
    // node does not change; locked nodes never become checked by propagation
    // either (a locked folder whose contents are all checked shows as partial).
    void ToggleNodeState(NodeId id);
    void SetState(NodeId id, CheckState state);  // no propagation
    void SetChildrenState(NodeId id);
    void UpdateParentState(NodeId id);

    // Removes the node and all below it.
    void Remove(NodeId id);
    void Clear();

private:
    std::vector<Node> nodes_;  // indexed by id; removed nodes keep an id of -1
    size_t alive_ = 0;
};

}  // namespace cx::cleanup
