// The install-folder rules against Wine's real folders: the context taken from
// the running system, spellings that only the file system resolves (short
// names), folders that exist or not, and links inside an install folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "cleanup/Safety.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace {

using cx::cleanup::CheckInstallDirectory;
using cx::cleanup::DirRefusal;
using cx::cleanup::SafetyContext;
using cx::cleanup::SystemSafetyContext;

std::string Special(int csidl) {
    char buf[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, buf, csidl, FALSE) ? buf : "";
}

std::string ShortName(const std::string& path) {
    char buf[MAX_PATH] = {};
    DWORD n = GetShortPathNameA(path.c_str(), buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

bool Refused(DirRefusal r) { return r != DirRefusal::None; }

TEST(SystemFolders, EveryProtectedFolderOfThisMachineIsRefused) {
    const SafetyContext ctx = SystemSafetyContext("", {});
    ASSERT_FALSE(ctx.treeProtected.empty());
    ASSERT_FALSE(ctx.exactProtected.empty());

    struct Folder {
        int csidl;
        DirRefusal want;
    } folders[] = {
        {CSIDL_WINDOWS, DirRefusal::Protected},
        {CSIDL_SYSTEM, DirRefusal::Protected},
        {CSIDL_PROGRAM_FILES, DirRefusal::Protected},
        {CSIDL_PROGRAM_FILES_COMMON, DirRefusal::Protected},
        {CSIDL_PROFILE, DirRefusal::Protected},
        {CSIDL_DESKTOPDIRECTORY, DirRefusal::Protected},
        {CSIDL_PERSONAL, DirRefusal::Protected},
        {CSIDL_MYPICTURES, DirRefusal::Protected},
        {CSIDL_MYMUSIC, DirRefusal::Protected},
        {CSIDL_MYVIDEO, DirRefusal::Protected},
        {CSIDL_FAVORITES, DirRefusal::Protected},
        {CSIDL_APPDATA, DirRefusal::Protected},
        {CSIDL_LOCAL_APPDATA, DirRefusal::Protected},
        {CSIDL_STARTMENU, DirRefusal::Protected},
        {CSIDL_PROGRAMS, DirRefusal::Protected},
        {CSIDL_STARTUP, DirRefusal::Protected},
        {CSIDL_TEMPLATES, DirRefusal::Protected},
        {CSIDL_COMMON_DESKTOPDIRECTORY, DirRefusal::Protected},
        {CSIDL_COMMON_DOCUMENTS, DirRefusal::Protected},
        {CSIDL_COMMON_APPDATA, DirRefusal::Protected},
        {CSIDL_COMMON_STARTMENU, DirRefusal::Protected},
        {CSIDL_COMMON_PROGRAMS, DirRefusal::Protected},
        {CSIDL_COMMON_STARTUP, DirRefusal::Protected},
        {CSIDL_COMMON_TEMPLATES, DirRefusal::Protected},
    };
    for (const auto& f : folders) {
        std::string dir = Special(f.csidl);
        if (dir.empty()) continue;
        std::string upper = dir;
        CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
        std::vector<std::string> spellings = {
            dir, upper, dir + "\\", "\"" + dir + "\\\" ", dir + "\\x\\..", dir + "\\.\\"};
        if (std::string s = ShortName(dir); !s.empty()) spellings.push_back(s);
        for (const auto& s : spellings) {
            auto v = CheckInstallDirectory(s, ctx);
            EXPECT_TRUE(Refused(v.refusal)) << f.csidl << " " << s;
            EXPECT_TRUE(v.resolved.empty()) << s;
        }
        EXPECT_EQ(CheckInstallDirectory(dir, ctx).refusal, f.want) << f.csidl << " " << dir;
    }
    // The Downloads folder has no CSIDL; under Wine it is Downloads in the profile.
    std::string downloads = Special(CSIDL_PROFILE) + "\\Downloads";
    if (cx::DirectoryExists(downloads)) {
        EXPECT_EQ(CheckInstallDirectory(downloads, ctx).refusal, DirRefusal::Protected);
    }

    for (const char* text : {"%SystemRoot%", "%windir%\\", "%ProgramFiles%", "\"%ProgramFiles%\\\"",
                             "%USERPROFILE%", "%TEMP%", "%TMP%\\", "%APPDATA%", "%LOCALAPPDATA%",
                             "%ALLUSERSPROFILE%", "%CommonProgramFiles%", "%SystemRoot%\\System32",
                             "%SystemDrive%", "%SystemDrive%\\", "%USERPROFILE%\\..", "C:\\users"})
        EXPECT_TRUE(Refused(CheckInstallDirectory(text, ctx).refusal)) << text;

    // The fonts folder is also a shell folder of the user: refused either way.
    EXPECT_TRUE(Refused(CheckInstallDirectory("C:\\WINDOWS\\Fonts", ctx).refusal));
    for (const char* text : {"C:\\windows\\system32\\drivers", "%SystemRoot%\\Temp",
                             "C:\\windows\\.\\system32\\..\\inf"})
        EXPECT_EQ(CheckInstallDirectory(text, ctx).refusal, DirRefusal::BelowProtected) << text;
}

// Another user's profile and its folders are that user's, whether the system
// lists the profile or only its folder is left in the profiles directory.
TEST(SystemFolders, OtherUsersProfilesAreProtectedLikeTheCurrentOne) {
    const std::string listKey =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-7-7-1042";
    const std::string profilesDir = cx::ExtractFilePath(Special(CSIDL_PROFILE));
    ASSERT_FALSE(profilesDir.empty());
    const std::string other = profilesDir + "cxother", ghost = profilesDir + "cxghost";
    // A listed profile kept outside the profiles directory, as a moved one is.
    const std::string moved = cx::test::FreshScratchDir("safety-moved-profile") + "cxmoved";
    for (const std::string& root : {other, ghost, moved})
        for (const char* sub : {"Downloads", "Documents", "Desktop", "AppData\\Roaming",
                                "AppData\\Local", "Videos", "Saved Games", "Links", "Tools\\Acme"})
            cx::ForceDirectories(root + "\\" + sub);
    HKEY key = cx::test::CreateKeyPath(HKEY_LOCAL_MACHINE, listKey);
    ASSERT_TRUE(key);
    RegSetValueExA(key, "ProfileImagePath", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(moved.c_str()),
                   static_cast<DWORD>(moved.size() + 1));
    RegCloseKey(key);

    const SafetyContext ctx = SystemSafetyContext("", {});
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, listKey.c_str());
    for (const std::string& root : {other, ghost, moved}) {
        for (const char* sub :
             {"", "\\", "\\Downloads", "\\Documents\\", "\\Desktop", "\\AppData",
              "\\AppData\\Roaming", "\\AppData\\Local", "\\Videos", "\\Saved Games", "\\Links"}) {
            auto v = CheckInstallDirectory(root + sub, ctx);
            EXPECT_TRUE(Refused(v.refusal)) << root + sub;
        }
        EXPECT_EQ(CheckInstallDirectory(root + "\\Downloads", ctx).refusal, DirRefusal::Protected)
            << root;
        EXPECT_EQ(CheckInstallDirectory(root + "\\Tools\\Acme", ctx).refusal, DirRefusal::None)
            << root;
    }
    for (const std::string& root : {other, ghost}) cx::test::RemoveTree(root);
}

// Windows' own folders look like any program's folder inside Program Files and
// the data roots; a registration pointing at one, or below it, must list nothing.
TEST(SystemFolders, WindowsOwnFoldersAmongTheProgramsAreProtectedAsTrees) {
    const std::string pf = Special(CSIDL_PROGRAM_FILES), roaming = Special(CSIDL_APPDATA);
    const std::string other = cx::ExtractFilePath(Special(CSIDL_PROFILE)) + "cxmsother";
    ASSERT_FALSE(pf.empty() || roaming.empty() || other == "cxmsother");
    // Made where Wine has none, so that a refusal is never only "not found".
    const std::vector<std::string> places = {pf + "\\Internet Explorer",
                                             pf + "\\Windows NT\\Accessories",
                                             Special(CSIDL_PROGRAM_FILES_COMMON) + "\\System",
                                             roaming + "\\Microsoft\\Protect",
                                             roaming + "\\Microsoft\\Protect\\S-1-5-21-1",
                                             Special(CSIDL_COMMON_APPDATA) + "\\Microsoft\\Crypto",
                                             other + "\\AppData\\Local\\Microsoft\\Edge"};
    // Folders beside them that only look alike stay a program's.
    const std::vector<std::string> programs = {pf + "\\CxVendor\\Internet Explorer",
                                               pf + "\\Windows NTx", roaming + "\\Microsoft CX"};
    std::vector<std::string> made;  // every folder made, parents first
    for (const auto* list : {&places, &programs})
        for (const std::string& dir : *list) {
            std::vector<std::string> missing;
            for (std::string d = dir; !cx::DirectoryExists(d);
                 d = cx::ExtractFilePath(d.substr(0, d.size() - 1)))
                missing.push_back(d);
            made.insert(made.end(), missing.rbegin(), missing.rend());
            cx::ForceDirectories(dir);
        }
    const SafetyContext ctx = SystemSafetyContext("", {});

    for (const std::string& dir : places) {
        std::vector<std::string> spellings = {dir, cx::Lower(dir) + "\\", dir + "\\x\\.."};
        if (std::string s = ShortName(dir); !s.empty()) spellings.push_back(s);
        for (const std::string& s : spellings) {
            auto v = CheckInstallDirectory(s, ctx);
            EXPECT_TRUE(v.refusal == DirRefusal::Protected ||
                        v.refusal == DirRefusal::BelowProtected)
                << s << ": " << static_cast<int>(v.refusal);
            EXPECT_TRUE(v.resolved.empty()) << s;
        }
    }
    for (const std::string& dir : programs)
        EXPECT_EQ(CheckInstallDirectory(dir, ctx).refusal, DirRefusal::None) << dir;

    for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryA(it->c_str());
}

TEST(SystemFolders, ShortNamesAreResolvedBeforeTheCheck) {
    const SafetyContext ctx = SystemSafetyContext("", {});
    std::string pf = Special(CSIDL_PROGRAM_FILES);
    std::string shortPf = ShortName(pf);
    ASSERT_FALSE(shortPf.empty());
    EXPECT_EQ(CheckInstallDirectory(shortPf, ctx).refusal, DirRefusal::Protected) << shortPf;

    std::string dir = cx::test::FreshScratchDir("safety-short") + "A Long Folder Name";
    cx::ForceDirectories(dir + "\\Inner Folder");
    std::string shortDir = ShortName(dir + "\\Inner Folder");
    ASSERT_FALSE(shortDir.empty());
    auto v = CheckInstallDirectory(shortDir, ctx);
    EXPECT_EQ(v.refusal, DirRefusal::None);
    EXPECT_TRUE(cx::EqualsNoCase(v.resolved, dir + "\\Inner Folder")) << v.resolved;
}

TEST(SystemFolders, OwnFolderOtherProgramsAndMissingFolders) {
    std::string scratch = cx::test::FreshScratchDir("safety-own");
    cx::ForceDirectories(scratch + "Me\\Skins");
    cx::ForceDirectories(scratch + "Suite\\Editor");
    cx::ForceDirectories(scratch + "Suite\\Viewer");
    cx::test::WriteWholeFile(scratch + "Suite\\readme.txt", "x");

    const SafetyContext ctx = SystemSafetyContext(
        scratch + "Me\\",
        {{scratch + "Suite\\Editor\\", "Editor"}, {"", "No Folder"}, {"relative", "Relative"}});
    EXPECT_EQ(ctx.otherPrograms.size(), 1u);

    EXPECT_EQ(CheckInstallDirectory(scratch + "Me", ctx).refusal, DirRefusal::Protected);
    EXPECT_EQ(CheckInstallDirectory(scratch + "ME\\", ctx).refusal, DirRefusal::Protected);
    EXPECT_EQ(CheckInstallDirectory(scratch, ctx).refusal, DirRefusal::HoldsProtected);

    auto suite = CheckInstallDirectory(scratch + "Suite", ctx);
    EXPECT_EQ(suite.refusal, DirRefusal::None);
    EXPECT_TRUE(suite.holdsOtherProgram);
    auto viewer = CheckInstallDirectory(scratch + "Suite\\Viewer\\", ctx);
    EXPECT_EQ(viewer.refusal, DirRefusal::None);
    EXPECT_FALSE(viewer.holdsOtherProgram);
    EXPECT_TRUE(cx::EqualsNoCase(viewer.resolved, scratch + "Suite\\Viewer")) << viewer.resolved;

    EXPECT_EQ(CheckInstallDirectory(scratch + "Gone", ctx).refusal, DirRefusal::NotFound);
    EXPECT_EQ(CheckInstallDirectory(scratch + "Suite\\readme.txt", ctx).refusal,
              DirRefusal::NotFound);
    EXPECT_EQ(CheckInstallDirectory("", ctx).refusal, DirRefusal::Empty);
    // A record without an install location must never lead to the current drive.
    EXPECT_EQ(CheckInstallDirectory("\\", ctx).refusal, DirRefusal::Relative);
    EXPECT_EQ(CheckInstallDirectory(".", ctx).refusal, DirRefusal::Relative);
}

// Links inside a scratch folder, pointing at a decoy that the context guards as
// if it were the Windows folder. Links are removed as links before the scratch
// folder is cleared, so no clean-up ever walks through one.
class Links : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = "C:\\carvexo-tests\\safety-links\\";
        RemoveLinks();
        base_ = cx::test::FreshScratchDir("safety-links");
        cx::ForceDirectories(base_ + "Guarded\\Sub");
        cx::test::WriteWholeFile(base_ + "Guarded\\Sub\\keep.txt", "keep");
        cx::ForceDirectories(base_ + "App");
        ctx_.treeProtected.push_back(base_ + "Guarded");
    }
    void TearDown() override { RemoveLinks(); }

    void RemoveLinks() {
        for (const char* name : {"App\\SymLink", "App\\Junction", "LinkedApp"})
            RemoveDirectoryA((base_ + name).c_str());
    }

    // A junction made the way Windows tools make one: a mount-point reparse point.
    bool MakeJunction(const std::string& link, const std::string& target) {
        if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
        cx::unique_hfile h(CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                       nullptr));
        if (!h) return false;
        std::wstring sub = L"\\??\\" + cx::AnsiToWide(target);
        std::wstring print = cx::AnsiToWide(target);
        std::vector<BYTE> buf(sizeof(DWORD) + 2 * sizeof(WORD) + 4 * sizeof(WORD) +
                              (sub.size() + print.size() + 2) * sizeof(wchar_t));
        auto* p = buf.data();
        auto put16 = [&](size_t off, WORD v) { memcpy(p + off, &v, sizeof v); };
        DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
        memcpy(p, &tag, sizeof tag);
        put16(4, static_cast<WORD>(buf.size() - 8));                       // ReparseDataLength
        put16(8, 0);                                                       // SubstituteNameOffset
        put16(10, static_cast<WORD>(sub.size() * sizeof(wchar_t)));        // SubstituteNameLength
        put16(12, static_cast<WORD>((sub.size() + 1) * sizeof(wchar_t)));  // PrintNameOffset
        put16(14, static_cast<WORD>(print.size() * sizeof(wchar_t)));      // PrintNameLength
        memcpy(p + 16, sub.c_str(), (sub.size() + 1) * sizeof(wchar_t));
        memcpy(p + 16 + (sub.size() + 1) * sizeof(wchar_t), print.c_str(),
               (print.size() + 1) * sizeof(wchar_t));
        DWORD got = 0;
        if (!DeviceIoControl(h.get(), FSCTL_SET_REPARSE_POINT, buf.data(),
                             static_cast<DWORD>(buf.size()), nullptr, 0, &got, nullptr)) {
            h.reset();
            RemoveDirectoryA(link.c_str());
            return false;
        }
        return true;
    }

    std::string base_;
    SafetyContext ctx_;
};

TEST_F(Links, GuardedDecoyIsRefusedDirectly) {
    EXPECT_EQ(CheckInstallDirectory(base_ + "Guarded", ctx_).refusal, DirRefusal::Protected);
    EXPECT_EQ(CheckInstallDirectory(base_ + "Guarded\\Sub", ctx_).refusal,
              DirRefusal::BelowProtected);
    EXPECT_EQ(CheckInstallDirectory(base_ + "App", ctx_).refusal, DirRefusal::None);
}

// Links made through the API: Windows only. Wine 8's CreateSymbolicLinkA
// reports success and makes nothing, and it sets no reparse points; HostLinks
// below covers links under Wine, made from the host side.
TEST_F(Links, SymbolicLinkMadeFromInsideAsInstallFolderIsRefusedOnWindows) {
    if (cx::test::UnderWine()) GTEST_SKIP() << "Wine 8 makes no links from inside";
    using CreateLinkFn = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    auto create = reinterpret_cast<CreateLinkFn>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA"));
    ASSERT_NE(create, nullptr);
    std::string link = base_ + "LinkedApp";
    if (!create(link.c_str(), (base_ + "Guarded\\Sub").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "this account may not make symbolic links (" << GetLastError() << ")";
    DWORD attr = GetFileAttributesA(link.c_str());
    ASSERT_NE(attr, INVALID_FILE_ATTRIBUTES);
    auto v = CheckInstallDirectory(link, ctx_);
    EXPECT_TRUE(v.refusal == DirRefusal::Link || v.refusal == DirRefusal::BelowProtected)
        << static_cast<int>(v.refusal) << " attributes " << attr;
    EXPECT_TRUE(v.resolved.empty());
    EXPECT_TRUE(cx::FileExists(base_ + "Guarded\\Sub\\keep.txt"));
}

TEST_F(Links, JunctionMadeFromInsideAsInstallFolderIsRefusedOnWindows) {
    if (cx::test::UnderWine()) GTEST_SKIP() << "Wine 8 sets no reparse points";
    std::string link = base_ + "LinkedApp";
    ASSERT_TRUE(MakeJunction(link, base_ + "Guarded\\Sub")) << GetLastError();
    auto v = CheckInstallDirectory(link, ctx_);
    EXPECT_TRUE(v.refusal == DirRefusal::Link || v.refusal == DirRefusal::BelowProtected)
        << static_cast<int>(v.refusal);
}

// A folder reached through a link on its way is judged by where it really is.
TEST_F(Links, FolderBehindAJunctionMadeFromInsideIsJudgedByItsTargetOnWindows) {
    if (cx::test::UnderWine()) GTEST_SKIP() << "Wine 8 sets no reparse points";
    std::string link = base_ + "App\\Junction";
    ASSERT_TRUE(MakeJunction(link, base_ + "Guarded")) << GetLastError();
    auto v = CheckInstallDirectory(link + "\\Sub", ctx_);
    EXPECT_EQ(v.refusal, DirRefusal::BelowProtected) << static_cast<int>(v.refusal);
    // The folder holding the link may be scanned; the link is an entry of it.
    EXPECT_EQ(CheckInstallDirectory(base_ + "App", ctx_).refusal, DirRefusal::None);
}

// Host symbolic links (made by the host-links fixture), which Wine shows as
// reparse points and resolves with GetFinalPathNameByHandle. Nothing here
// deletes: the fixture clears the folder from the host side.
TEST(HostLinks, LinkedRootRefusedAndFoldersBehindLinksJudgedByTarget) {
    const std::string base = "C:\\carvexo-tests\\safety-hostlinks\\";
    if (!cx::test::UnderWine()) GTEST_SKIP() << "links made by the host exist only under Wine";
    ASSERT_TRUE(cx::DirectoryExists(base + "LinkedApp"))
        << "run through ctest (host-links fixture)";
    SafetyContext ctx;
    ctx.treeProtected.push_back(base + "Guarded");

    DWORD attr = GetFileAttributesA((base + "LinkedApp").c_str());
    EXPECT_TRUE(attr & FILE_ATTRIBUTE_REPARSE_POINT) << attr;
    auto root = CheckInstallDirectory(base + "LinkedApp", ctx);
    EXPECT_EQ(root.refusal, DirRefusal::Link);
    EXPECT_TRUE(root.resolved.empty());
    EXPECT_EQ(CheckInstallDirectory("\"" + base + "LinkedApp\\\"", ctx).refusal, DirRefusal::Link);

    EXPECT_EQ(CheckInstallDirectory(base + "App\\Linked\\Sub", ctx).refusal,
              DirRefusal::BelowProtected);
    EXPECT_EQ(CheckInstallDirectory(base + "App\\Linked", ctx).refusal, DirRefusal::Link);
    EXPECT_EQ(CheckInstallDirectory(base + "App", ctx).refusal, DirRefusal::None);
    EXPECT_TRUE(cx::FileExists(base + "Guarded\\Sub\\keep.txt"));
}

}  // namespace
