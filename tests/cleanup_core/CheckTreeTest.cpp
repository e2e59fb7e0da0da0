#include <gtest/gtest.h>

#include "cleanup/CheckTree.h"
#include "cleanup/Removal.h"

using namespace cx::cleanup;

namespace {

// root
//   a
//     a1
//     a2
//   b
//   c (empty folder)
struct Sample {
    CheckTree t;
    NodeId root, a, a1, a2, b, c;
    Sample() {
        root = t.Add(-1, "R", NodeKind::Folder);
        a = t.Add(root, "R\\a", NodeKind::Folder);
        a1 = t.Add(a, "R\\a\\1", NodeKind::File);
        a2 = t.Add(a, "R\\a\\2", NodeKind::File);
        b = t.Add(root, "R\\b", NodeKind::File);
        c = t.Add(root, "R\\c", NodeKind::Folder);
    }
    CheckState S(NodeId id) const { return t.Get(id).state; }
};

TEST(CheckTree, TreeOrderIsParentBeforeChildrenInAddOrder) {
    Sample s;
    NodeId second = s.t.Add(-1, "S", NodeKind::Folder);
    NodeId a3 = s.t.Add(s.a, "R\\a\\3", NodeKind::File);  // added late, still under a
    EXPECT_EQ(s.t.InOrder(), (std::vector<NodeId>{s.root, s.a, s.a1, s.a2, a3, s.b, s.c, second}));
    EXPECT_EQ(s.t.Roots(), (std::vector<NodeId>{s.root, second}));
    EXPECT_EQ(s.t.Size(), 8u);
    EXPECT_THROW(s.t.Add(99, "x", NodeKind::File), std::out_of_range);
}

TEST(CheckTree, UncheckingADeepLeafMakesEveryAncestorPartial) {
    Sample s;
    s.t.ToggleNodeState(s.a1);
    EXPECT_EQ(s.S(s.a1), csUnchecked);
    EXPECT_EQ(s.S(s.a), csPartial);
    EXPECT_EQ(s.S(s.root), csPartial);
    EXPECT_EQ(s.S(s.a2), csChecked);
    // Unchecking the sibling too: the folder has nothing checked, the root still has b and c.
    s.t.ToggleNodeState(s.a2);
    EXPECT_EQ(s.S(s.a), csUnchecked);
    EXPECT_EQ(s.S(s.root), csPartial);
    // And back: every child checked makes the ancestors checked again.
    s.t.ToggleNodeState(s.a1);
    s.t.ToggleNodeState(s.a2);
    EXPECT_EQ(s.S(s.a), csChecked);
    EXPECT_EQ(s.S(s.root), csChecked);
}

TEST(CheckTree, TogglingAPartialNodeChecksEverythingBelowIt) {
    Sample s;
    s.t.ToggleNodeState(s.a1);
    s.t.ToggleNodeState(s.c);
    ASSERT_EQ(s.S(s.root), csPartial);
    s.t.ToggleNodeState(s.root);
    for (NodeId id : s.t.InOrder()) EXPECT_EQ(s.S(id), csChecked) << s.t.Get(id).text;
    // A checked root unchecks everything.
    s.t.ToggleNodeState(s.root);
    for (NodeId id : s.t.InOrder()) EXPECT_EQ(s.S(id), csUnchecked) << s.t.Get(id).text;
    // Checking one leaf of an all-unchecked tree: partial up the chain only.
    s.t.ToggleNodeState(s.a2);
    EXPECT_EQ(s.S(s.a), csPartial);
    EXPECT_EQ(s.S(s.root), csPartial);
    EXPECT_EQ(s.S(s.b), csUnchecked);
}

TEST(CheckTree, RemovingASubtreeDropsItsNodesAndDetachesIt) {
    Sample s;
    s.t.Remove(s.a);
    EXPECT_FALSE(s.t.Contains(s.a));
    EXPECT_FALSE(s.t.Contains(s.a1));
    EXPECT_FALSE(s.t.Contains(s.a2));
    EXPECT_EQ(s.t.Size(), 3u);
    EXPECT_EQ(s.t.Get(s.root).children, (std::vector<NodeId>{s.b, s.c}));
    EXPECT_EQ(s.t.InOrder(), (std::vector<NodeId>{s.root, s.b, s.c}));
    // Ids of the living stay valid after a removal; removing twice is harmless.
    EXPECT_EQ(s.t.Get(s.c).text, "R\\c");
    s.t.Remove(s.a);
    EXPECT_THROW(s.t.Get(s.a1), std::out_of_range);
    s.t.Remove(s.root);
    EXPECT_TRUE(s.t.Empty());
    EXPECT_TRUE(s.t.Roots().empty());
    NodeId fresh = s.t.Add(-1, "again", NodeKind::Folder);
    EXPECT_EQ(s.t.InOrder(), std::vector<NodeId>{fresh});
    s.t.Clear();
    EXPECT_EQ(s.t.Size(), 0u);
}

TEST(CheckTree, DeepTreesNeedNoDeepRecursion) {
    CheckTree t;
    NodeId cur = t.Add(-1, "r", NodeKind::Folder);
    NodeId first = cur;
    for (int i = 0; i < 100000; ++i) cur = t.Add(cur, "d", NodeKind::Folder);
    t.ToggleNodeState(cur);
    EXPECT_EQ(t.Get(first).state, csUnchecked);
    t.ToggleNodeState(first);
    EXPECT_EQ(t.Get(cur).state, csChecked);
    EXPECT_EQ(t.InOrder().size(), 100001u);
    t.Remove(first);
    EXPECT_TRUE(t.Empty());
}

TEST(RegText, ANodeMadeFromTextSplitsAtTheFirstAndLastBackslash) {
    using cx::RegHive;
    using cx::RegPath;
    CheckTree t;
    auto place = [&](const std::string& text, NodeKind kind) {
        return t.Get(t.AddRegistryText(-1, text, kind)).reg;
    };
    EXPECT_EQ(place("HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Foo", NodeKind::RegKey),
              (RegPath{RegHive::LocalMachine, L"SOFTWARE\\Acme\\Foo", {}}));
    EXPECT_EQ(place("HKEY_CURRENT_USER\\SOFTWARE\\Foo\\", NodeKind::RegValue),
              (RegPath{RegHive::CurrentUser, L"SOFTWARE\\Foo", L""}));  // the default value
    EXPECT_EQ(place("HKEY_CURRENT_USER\\Foo", NodeKind::RegValue),
              (RegPath{RegHive::CurrentUser, L"", L"Foo"}));
    EXPECT_EQ(place("HKEY_CURRENT_USER", NodeKind::RegKey), (RegPath{RegHive::CurrentUser, L"", {}}));
    // Through the one parser of hive names: no short form, no other case, no other hive.
    for (const char* text : {"HKLM\\SOFTWARE\\Foo", "hkey_local_machine\\SOFTWARE\\Foo",
                             "HKEY_USERS\\S-1-5-18\\Foo", "\\SOFTWARE\\Foo", ""})
        EXPECT_FALSE(place(text, NodeKind::RegKey)) << text;
    // A node added by its place shows it, and a value name may hold "\\".
    NodeId v = t.AddRegistry(-1, RegPath{RegHive::CurrentUser, L"S\\Foo", L"a\\b"});
    EXPECT_EQ(t.Get(v).kind, NodeKind::RegValue);
    EXPECT_EQ(t.Get(v).text, "HKEY_CURRENT_USER\\S\\Foo\\a\\b");
    EXPECT_EQ(t.Get(t.AddRegistry(v, RegPath{RegHive::ClassesRoot, L"S", {}})).kind,
              NodeKind::RegKey);
}

}  // namespace
