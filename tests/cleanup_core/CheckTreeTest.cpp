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

TEST(RegText, SplitFollowsFirstAndLastBackslash) {
    RegItem key = SplitRegText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Foo");
    EXPECT_EQ(key.hive, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(key.keyPath, "SOFTWARE\\Acme\\");
    EXPECT_EQ(key.item, "Foo");
    RegItem def = SplitRegText("HKEY_CURRENT_USER\\SOFTWARE\\Foo\\");
    EXPECT_EQ(def.keyPath, "SOFTWARE\\Foo\\");
    EXPECT_EQ(def.item, "");
    RegItem top = SplitRegText("HKEY_CURRENT_USER\\Foo");
    EXPECT_EQ(top.keyPath, "");
    EXPECT_EQ(top.item, "Foo");
    // What the scan records wins over the text: a value name with "\" in it.
    CheckTree t;
    NodeId k = t.AddRegistry(-1, "HKEY_CURRENT_USER\\S\\Foo", NodeKind::RegKey, "HKEY_CURRENT_USER",
                             "S\\", "Foo");
    NodeId v = t.AddRegistry(k, "HKEY_CURRENT_USER\\S\\Foo\\a\\b", NodeKind::RegValue,
                             "HKEY_CURRENT_USER", "S\\Foo\\", "a\\b");
    EXPECT_EQ(RegItemOf(t.Get(v)).keyPath, "S\\Foo\\");
    EXPECT_EQ(RegItemOf(t.Get(v)).item, "a\\b");
    NodeId bare = t.Add(-1, "HKEY_CURRENT_USER\\S\\Bar", NodeKind::RegKey);
    EXPECT_EQ(RegItemOf(t.Get(bare)).item, "Bar");
}

TEST(RegText, RootKeysByExactName) {
    EXPECT_EQ(RootKeyFromName("HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_USER"), HKEY_CURRENT_USER);
    EXPECT_EQ(RootKeyFromName("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootKeyFromName("hkey_local_machine"), nullptr);
    EXPECT_EQ(RootKeyFromName("HKLM"), nullptr);
    EXPECT_EQ(RootKeyFromName("HKEY_USERS"), nullptr);
    EXPECT_EQ(RootKeyFromName(""), nullptr);
}

}  // namespace
