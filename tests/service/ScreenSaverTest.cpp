// Screen savers of the system and Windows folders, through the real DLL.
#include <gtest/gtest.h>

#include "Inventory.h"
#include "ServiceKit.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

using namespace svctest;

namespace {

std::string Here() { return cx::ExtractFilePath(cx::ModuleFileName()); }
std::string SystemDir() { return cx::IncludeTrailingBackslash(cx::SystemDirectory()); }
std::string WindowsDir() { return cx::IncludeTrailingBackslash(cx::WindowsDirectory()); }

void RemoveTestFiles() {
    for (const std::string& dir : {SystemDir(), WindowsDir()}) {
        cx::test::ForEachEntry(
            cx::AnsiToWide(dir),
            [](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(full.c_str());
                else
                    DeleteFileW(full.c_str());
            },
            L"CxSvcTest_*");
    }
}

void Copy(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

DWORD FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    EXPECT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a));
    return a.nFileSizeLow;
}

class ScreenSavers : public ::testing::Test {
protected:
    void SetUp() override { RemoveTestFiles(); }
    void TearDown() override { RemoveTestFiles(); }

    // Index of each listed file whose name matches without regard to case.
    std::vector<long> Find(IProgramList* list, const std::string& file) {
        std::vector<long> hits;
        ULONG count = 0;
        EXPECT_EQ(list->ScreenSaverCount(&count), S_OK);
        for (ULONG i = 0; i < count; ++i)
            if (cx::EqualsNoCase(Get(list, &IProgramList::ScreenSaverFile, static_cast<long>(i)),
                                 file))
                hits.push_back(static_cast<long>(i));
        return hits;
    }
};

}  // namespace

TEST_F(ScreenSavers, TitlePublisherFolderSizeAndLastUse) {
    const std::string titled = Here() + "CxSvcTitledSaver.dll";
    const std::string described = Here() + "CxSvcDescribedSaver.dll";
    const std::string sys = SystemDir(), win = WindowsDir();
    Copy(titled, sys + "CxSvcTest_Titled.scr");
    Copy(described, sys + "CxSvcTest_Described.scr");
    Copy(titled, win + "CxSvcTest_WinOnly.scr");
    cx::test::WriteWholeFile(sys + "CxSvcTest_Garbage.scr", std::string(1000, 'x'));

    SYSTEMTIME when{};
    when.wYear = 2021;
    when.wMonth = 3;
    when.wDay = 4;
    when.wHour = 12;
    FILETIME accessed;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &accessed));
    {
        cx::unique_hfile f(CreateFileA((sys + "CxSvcTest_Titled.scr").c_str(),
                                       FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
        ASSERT_TRUE(f);
        ASSERT_TRUE(SetFileTime(f.get(), nullptr, &accessed, nullptr));
    }

    auto list = NewList();
    ASSERT_EQ(list->RefreshScreenSavers(), S_OK);

    auto hit = Find(list.get(), "CxSvcTest_Titled.scr");
    ASSERT_EQ(hit.size(), 1u);
    long i = hit[0];
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverFile, i), "CxSvcTest_Titled.scr");
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverTitle, i), "Cx Titled Saver");
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverPublisher, i), "Cx Test Company");
    EXPECT_TRUE(cx::EqualsNoCase(Get(list.get(), &IProgramList::ScreenSaverFolder, i), sys));
    ULONG size = 0;
    ASSERT_EQ(list->ScreenSaverSize(i, &size), S_OK);
    EXPECT_EQ(size, FileSize(titled));
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverLastUsed, i),
              cx::svc::FormatFileTimeDate(accessed));
    LONG icon = -1;
    EXPECT_EQ(list->ScreenSaverIcon(i, &icon), S_OK);
    EXPECT_GE(icon, 0);

    hit = Find(list.get(), "CxSvcTest_Described.scr");
    ASSERT_EQ(hit.size(), 1u);
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverTitle, hit[0]), "Cx Described Saver");
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverPublisher, hit[0]), "Cx Other Company");

    hit = Find(list.get(), "CxSvcTest_WinOnly.scr");
    ASSERT_EQ(hit.size(), 1u);
    EXPECT_TRUE(cx::EqualsNoCase(Get(list.get(), &IProgramList::ScreenSaverFolder, hit[0]), win));

    hit = Find(list.get(), "CxSvcTest_Garbage.scr");
    ASSERT_EQ(hit.size(), 1u);
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverTitle, hit[0]), "");
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverPublisher, hit[0]), "");
    ASSERT_EQ(list->ScreenSaverSize(hit[0], &size), S_OK);
    EXPECT_EQ(size, 1000u);
}

TEST_F(ScreenSavers, EachFileOnceWithTheSystemFolderFirst) {
    const std::string sys = SystemDir(), win = WindowsDir();
    Copy(Here() + "CxSvcTitledSaver.dll", sys + "CxSvcTest_Twin.scr");
    Copy(Here() + "CxSvcDescribedSaver.dll", win + "cxsvctest_TWIN.SCR");
    Copy(Here() + "CxSvcTitledSaver.dll", sys + "CxSvcTest_Other.scrx");
    ASSERT_TRUE(CreateDirectoryA((sys + "CxSvcTest_Folder.scr").c_str(), nullptr));

    auto list = NewList();  // lists on first use, without a refresh
    auto hit = Find(list.get(), "CxSvcTest_Twin.scr");
    ASSERT_EQ(hit.size(), 1u);
    EXPECT_TRUE(cx::EqualsNoCase(Get(list.get(), &IProgramList::ScreenSaverFolder, hit[0]), sys));
    EXPECT_EQ(Get(list.get(), &IProgramList::ScreenSaverTitle, hit[0]), "Cx Titled Saver");
    EXPECT_TRUE(Find(list.get(), "CxSvcTest_Other.scrx").empty());
    EXPECT_TRUE(Find(list.get(), "CxSvcTest_Folder.scr").empty());
}

TEST_F(ScreenSavers, IndexOutOfRangeIsAnInvalidArgument) {
    auto list = NewList();
    ASSERT_EQ(list->RefreshScreenSavers(), S_OK);
    ULONG count = 0;
    ASSERT_EQ(list->ScreenSaverCount(&count), S_OK);
    for (LONG bad : {static_cast<LONG>(count), static_cast<LONG>(count) + 7, -1L}) {
        BSTR b = reinterpret_cast<BSTR>(1);
        for (auto method : {&IProgramList::ScreenSaverFile, &IProgramList::ScreenSaverPublisher,
                            &IProgramList::ScreenSaverFolder, &IProgramList::ScreenSaverTitle,
                            &IProgramList::ScreenSaverLastUsed}) {
            EXPECT_EQ((list.get()->*method)(bad, &b), E_INVALIDARG) << bad;
            EXPECT_EQ(b, nullptr);
        }
        LONG icon = 5;
        ULONG size = 5;
        EXPECT_EQ(list->ScreenSaverIcon(bad, &icon), E_INVALIDARG);
        EXPECT_EQ(list->ScreenSaverSize(bad, &size), E_INVALIDARG);
        EXPECT_EQ(icon, 0);
        EXPECT_EQ(size, 0u);
    }
}
