// The user's comment store against Wine's real registry: where a note lands,
// that names cannot reach each other's notes, and what is made of stored data
// that Carvexo did not write.
#include <gtest/gtest.h>

#include "harness/TestKit.h"
#include "inventory/CommentStore.h"
#include "platform/Error.h"
#include "platform/Registry.h"

using namespace cx;
using namespace cx::inv;

namespace {

constexpr const char* kSandbox = "Software\\CarvexoTest\\Comments";
constexpr const char* kUser = "HKEY_CURRENT_USER";
constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";

class CommentStoreTest : public ::testing::Test {
protected:
    void SetUp() override { reg::DeleteTree(HKEY_CURRENT_USER, kSandbox); }
    void TearDown() override { reg::DeleteTree(HKEY_CURRENT_USER, kSandbox); }
    std::optional<reg::Key> HiveKey(const std::string& hive) {
        return reg::Key::Open(HKEY_CURRENT_USER, std::string(kSandbox) + "\\" + hive);
    }
    CommentStore store{HKEY_CURRENT_USER, kSandbox};
};

}  // namespace

TEST_F(CommentStoreTest, ANoteIsAStringValueNamedByTheKeyUnderItsHive) {
    EXPECT_EQ(store.Read(kUser, "{1A2B-GUID}"), std::nullopt);
    store.Write(kUser, "{1A2B-GUID}", "needed for scores");
    store.Write(kMachine, "{1A2B-GUID}", "the shared copy");
    EXPECT_EQ(store.Read(kUser, "{1A2B-GUID}"), std::optional<std::string>("needed for scores"));
    EXPECT_EQ(store.Read(kMachine, "{1A2B-GUID}"), std::optional<std::string>("the shared copy"));
    auto raw = HiveKey(kUser)->RawValue("{1A2B-GUID}");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    // Key names compare without case in the registry, and so do the notes.
    EXPECT_EQ(store.Read(kUser, "{1a2b-guid}"), std::optional<std::string>("needed for scores"));

    store.Write(kUser, "{1A2B-GUID}", "");
    EXPECT_EQ(store.Read(kUser, "{1A2B-GUID}"), std::nullopt);
    EXPECT_EQ(store.Read(kMachine, "{1A2B-GUID}"), std::optional<std::string>("the shared copy"));
    store.Remove(kMachine, "{1A2B-GUID}");
    store.Remove(kMachine, "{1A2B-GUID}");  // removing twice is no error
    store.Remove(kUser, "never stored");
    EXPECT_EQ(store.Read(kMachine, "{1A2B-GUID}"), std::nullopt);

    // With no store at all, removing is still no error and reading finds nothing.
    reg::DeleteTree(HKEY_CURRENT_USER, kSandbox);
    store.Remove(kUser, "anything");
    store.Write(kUser, "anything", "");
    EXPECT_EQ(store.Read(kUser, "anything"), std::nullopt);
    EXPECT_FALSE(reg::Key::Open(HKEY_CURRENT_USER, kSandbox));  // nothing was made for it
}

TEST_F(CommentStoreTest, NamesWithBackslashesStayOneNoteEach) {
    store.Write(kUser, "A", "a");
    store.Write(kUser, "A\\B", "a-b");
    store.Write(kUser, "A\\..\\B", "dots");
    store.Write(kUser, "\\", "slash");
    store.Write(kUser, "HKEY_LOCAL_MACHINE\\X", "looks like a hive");
    const std::string longest(255, 'n');
    store.Write(kUser, longest, "longest key name");
    store.Write(kUser, "Caf\xE9 \x01 \"quoted\" %PATH%", "odd");

    EXPECT_EQ(store.Read(kUser, "A"), std::optional<std::string>("a"));
    EXPECT_EQ(store.Read(kUser, "A\\B"), std::optional<std::string>("a-b"));
    EXPECT_EQ(store.Read(kUser, "A\\..\\B"), std::optional<std::string>("dots"));
    EXPECT_EQ(store.Read(kUser, "B"), std::nullopt);
    EXPECT_EQ(store.Read(kUser, "\\"), std::optional<std::string>("slash"));
    EXPECT_EQ(store.Read(kMachine, "X"), std::nullopt);
    EXPECT_EQ(store.Read(kUser, longest), std::optional<std::string>("longest key name"));
    EXPECT_EQ(store.Read(kUser, "Caf\xE9 \x01 \"quoted\" %PATH%"),
              std::optional<std::string>("odd"));

    // Every note is a value of the hive's key; no key was made from a name.
    EXPECT_TRUE(HiveKey(kUser)->SubKeyNames().empty());
    EXPECT_EQ(HiveKey(kUser)->Values().size(), 7u);
    auto top = reg::Key::Open(HKEY_CURRENT_USER, kSandbox);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->SubKeyNames(), std::vector<std::string>{kUser});

    store.Remove(kUser, "A\\B");
    EXPECT_EQ(store.Read(kUser, "A"), std::optional<std::string>("a"));
    EXPECT_EQ(store.Read(kUser, "A\\..\\B"), std::optional<std::string>("dots"));
}

TEST_F(CommentStoreTest, UnknownHivesAndUnusableNamesAreRefused) {
    for (const std::string& hive :
         {std::string(""), std::string("HKEY_USERS"), std::string("hkey_current_user"),
          std::string("HKEY_CURRENT_USER\\..")}) {
        EXPECT_THROW(store.Write(hive, "Name", "x"), AppError) << hive;
        EXPECT_THROW(store.Remove(hive, "Name"), AppError) << hive;
        EXPECT_EQ(store.Read(hive, "Name"), std::nullopt) << hive;
    }
    // The empty name is a key's default value, and a NUL would cut the name short.
    store.Write(kUser, "A", "a's note");
    for (const std::string& name : {std::string(""), std::string("A\0B", 3)}) {
        EXPECT_THROW(store.Write(kUser, name, "x"), AppError);
        EXPECT_THROW(store.Remove(kUser, name), AppError);
        EXPECT_EQ(store.Read(kUser, name), std::nullopt);
    }
    EXPECT_EQ(store.Read(kUser, "A"), std::optional<std::string>("a's note"));
    EXPECT_FALSE(HiveKey(kUser)->HasValue(""));
    EXPECT_FALSE(reg::Key::Open(HKEY_CURRENT_USER, std::string(kSandbox) + "\\HKEY_USERS"));
}

TEST_F(CommentStoreTest, StoredDataThatIsNoNoteIsNotShownAsOne) {
    auto key = reg::Key::Create(HKEY_CURRENT_USER, std::string(kSandbox) + "\\" + kUser);
    key.SetDword("dword", 7);
    key.SetBinary("binary", "ab", 2);
    key.SetString("expand", "%TEMP%", REG_EXPAND_SZ);
    key.SetRaw("unterminated", REG_SZ, "abc", 3);
    key.SetRaw("odd", REG_SZ, "abcde", 5);
    key.SetRaw("inner nul", REG_SZ, "one\0two\0", 8);
    key.SetRaw("empty data", REG_SZ, "", 0);

    EXPECT_EQ(store.Read(kUser, "dword"), std::nullopt);
    EXPECT_EQ(store.Read(kUser, "binary"), std::nullopt);
    EXPECT_EQ(store.Read(kUser, "expand"), std::nullopt);
    EXPECT_EQ(store.Read(kUser, "unterminated"), std::optional<std::string>("abc"));
    EXPECT_EQ(store.Read(kUser, "odd"), std::optional<std::string>("abcde"));
    EXPECT_EQ(store.Read(kUser, "inner nul"), std::optional<std::string>("one"));
    EXPECT_EQ(store.Read(kUser, "empty data"), std::optional<std::string>(""));
    // A note written over a foreign value of the same name replaces it.
    store.Write(kUser, "dword", "now a note");
    EXPECT_EQ(store.Read(kUser, "dword"), std::optional<std::string>("now a note"));
}

TEST_F(CommentStoreTest, ARefusedWriteThrowsAndChangesNothing) {
    // Below a volatile key the registry makes no lasting key, so the user
    // hive's key cannot be created.
    HKEY volatileKey = test::CreateKeyPath(HKEY_CURRENT_USER, kSandbox, REG_OPTION_VOLATILE);
    ASSERT_TRUE(volatileKey);
    reg::Key owner(volatileKey);
    EXPECT_THROW(store.Write(kUser, "New", "refused"), AppError);
    EXPECT_EQ(store.Read(kUser, "New"), std::nullopt);
    EXPECT_TRUE(owner.SubKeyNames().empty());
}

TEST(CommentStoreHome, TheProgramKeepsNotesUnderTheUsersCarvexoKey) {
    EXPECT_STREQ(kCommentStorePath, "Software\\Carvexo\\Comments");
    reg::DeleteTree(HKEY_CURRENT_USER, kCommentStorePath);
    CommentStore().Write(kUser, "CxStoreHome", "home");
    auto key = reg::Key::Open(HKEY_CURRENT_USER, std::string(kCommentStorePath) + "\\" + kUser);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->GetString("CxStoreHome"), std::optional<std::string>("home"));
    reg::DeleteTree(HKEY_CURRENT_USER, kCommentStorePath);
}
