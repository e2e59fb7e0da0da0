#include <gtest/gtest.h>

#include "platform/Handles.h"

namespace {

// A real kernel object lets the test see whether the owner closed it.
bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueResource, ClosesOnceAcrossMoveResetAndRelease) {
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(raw);
    {
        cx::unique_handle a(raw);
        cx::unique_handle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_TRUE(b);
        EXPECT_TRUE(IsOpen(raw));
        cx::unique_handle c;
        c = std::move(b);
        EXPECT_EQ(c.get(), raw);
    }
    EXPECT_FALSE(IsOpen(raw));

    HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        cx::unique_handle owner(kept);
        EXPECT_EQ(owner.release(), kept);
    }
    EXPECT_TRUE(IsOpen(kept));
    CloseHandle(kept);

    cx::unique_handle twice(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    twice.reset();
    twice.reset();  // a second reset must not close anything again
    EXPECT_FALSE(twice);
}

TEST(UniqueResource, InvalidValueFollowsTheApiFamily) {
    // CreateFile fails with INVALID_HANDLE_VALUE, not NULL: the file owner must see that as empty.
    cx::unique_hfile missing(CreateFileA("C:\\no\\such\\dir\\file.txt", GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
    cx::unique_hfile empty;
    EXPECT_EQ(empty.get(), INVALID_HANDLE_VALUE);

    WIN32_FIND_DATAA fd;
    cx::unique_hfind none(FindFirstFileA("C:\\no\\such\\dir\\*", &fd));
    EXPECT_FALSE(none);

    cx::unique_handle nullOwner;
    EXPECT_EQ(nullOwner.get(), nullptr);
}

TEST(UniqueResource, PutFreesWhatIsHeldBeforeHandingOutTheSlot) {
    HANDLE old = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    cx::unique_handle h(old);
    HANDLE* slot = h.put();
    EXPECT_FALSE(IsOpen(old));
    EXPECT_EQ(*slot, nullptr);
    *slot = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(h);
}

// An opened key goes with its owner; a predefined root, which nobody owns,
// is handed to one now and then (the walk of a key path starts at it) and
// must outlive it.
TEST(UniqueResource, OwnedKeysAreClosedAndPredefinedRootsLeftAlone) {
    auto usable = [](HKEY key) {
        DWORD subkeys = 0;
        return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &raw), ERROR_SUCCESS);
    ASSERT_TRUE(usable(raw));
    { cx::unique_hkey owned(raw); }
    EXPECT_FALSE(usable(raw)) << "the owner did not close its key";
    { cx::unique_hkey root(HKEY_CURRENT_USER); }
    EXPECT_TRUE(usable(HKEY_CURRENT_USER));
}

}  // namespace
