// The evidence a remains scan looks for: the names a program's leftovers carry
// and the folders its registration points at, from registrations as real setup
// programs write them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleanup/Evidence.h"

namespace {

using namespace cx::cleanup;

// "kind:text", with "*" for exact-only and "~" for never matching alone.
std::string Names(const RegistrationNames& r) {
    static const char* const kKinds[] = {"registration", "product", "publisher", "folder",
                                         "parent"};
    std::string out;
    for (const SearchName& n : SearchNames(r)) {
        if (!out.empty()) out += "; ";
        out += std::string(kKinds[static_cast<int>(n.kind)]) + ":" + n.text +
               (n.exactOnly ? "*" : "") + (n.standsAlone ? "" : "~");
    }
    return out;
}

TEST(SearchNames, RealisticRegistrations) {
    struct Case {
        RegistrationNames registration;
        const char* expected;
    } cases[] = {
        // NSIS: the key is the product name; the folder repeats it.
        {{"Heron Paint", "Heron Paint 2.1", "Heron Software, Inc.",
          "C:\\Program Files\\Heron Paint"},
         "registration:Heron Paint; publisher:Heron Software; parent:Program Files~"},
        // Inno-style "<id>_is1", the program in a vendor folder.
        {{"Heron Paint_is1", "Heron Paint version 2.1.0", "Heron Ltd.",
          "\"C:\\Program Files (x86)\\Heron\\Paint\\\""},
         "registration:Heron Paint; publisher:Heron; folder:Paint"},
        // A product code as Inno id; the program in "App" below its vendor.
        {{"{2F4A6C8E-1B3D-4E5F-8A9B-0C1D2E3F4A5B}_is1", "Heron Paint - v2.1.0 (x64)",
          "Heron GmbH & Co. KG", "C:\\Program Files\\Heron\\App\\"},
         "registration:{2F4A6C8E-1B3D-4E5F-8A9B-0C1D2E3F4A5B}*; product:Heron Paint; "
         "publisher:Heron; folder:App~"},
        // Windows Installer: the key is the product code, no folder registered.
        {{"{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}", "Corvid Ledger 2024",
          "Corvid Works Corporation", ""},
         "registration:{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}*; product:Corvid Ledger; "
         "publisher:Corvid Works"},
        // The publisher is the product; a per-user install.
        {{"Tidewave", "Tidewave - 3.2 [Portable]", "Tidewave, LLC",
          "C:\\Users\\bob\\AppData\\Local\\Programs\\Tidewave"},
         "registration:Tidewave; parent:Programs~"},
        // Short and shared names are kept only as support.
        {{"Zap", "Zap (Portable) [en-US]", "Microsoft Corporation", "D:\\Tools\\Zap\\bin"},
         "registration:Zap~; publisher:Microsoft~; folder:bin~"},
        // A version folder below the product's.
        {{"HeronCad", "HeronCad 10.2 build 4411", "Heron Co., Ltd.", "C:\\Heron CAD\\10.2.1"},
         "registration:HeronCad; publisher:Heron; folder:10.2.1~; parent:Heron CAD"},
        // Nothing but a qualifier stays as it is; no share or variable is a folder name.
        {{"  ", "2.1", "Inc.", "\\\\fs01\\apps\\Heron Tools"},
         "product:2.1~; publisher:Inc.~; folder:Heron Tools"},
        {{"", "", "", "%ProgramFiles%\\Heron Tools\\"}, "folder:Heron Tools"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Names(c.registration), c.expected) << c.registration.displayName;
}

// "source:folder" of every candidate.
std::string Folders(const RegistrationPlaces& r, const InstallerQuery& ask = nullptr) {
    static const char* const kSources[] = {"location", "components", "property", "uninstaller",
                                           "icon"};
    const SystemPlaces system{L"C:\\Windows", {L"C:\\Windows\\Temp", L"C:\\users\\bob\\Temp"}};
    std::wstring out;
    for (const FolderCandidate& c : InstallFolderCandidates(r, system, ask)) {
        if (!out.empty()) out += L"; ";
        std::string s = kSources[static_cast<int>(c.source)];
        out += std::wstring(s.begin(), s.end()) + L":" + c.folder;
    }
    return std::string(out.begin(), out.end());
}

TEST(InstallFolderCandidates, FromTheUninstallerAndTheIconAsSetupProgramsWriteThem) {
    EXPECT_EQ(
        Folders({L"Heron_is1", L"", L"\"C:\\Program Files\\Heron\\uninst\\unins000.exe\" /SILENT",
                 L"\"C:\\Program Files\\Heron\\heron.exe\",-101"}),
        "uninstaller:C:\\Program Files\\Heron\\uninst; icon:C:\\Program Files\\Heron");
    // Unquoted with blanks, as CreateProcess finds it; the same folder is listed once.
    EXPECT_EQ(Folders({L"Heron", L"c:\\program files\\heron\\",
                       L"C:\\Program Files\\Heron\\Uninstall.exe /S",
                       L"\"C:\\Program Files\\Heron\\heron.exe,0\""}),
              "location:c:\\program files\\heron");
    EXPECT_EQ(Folders({L"Heron", L"", L"C:\\Program Files\\Heron Paint\\uninst.exe",
                       L"D:\\Heron\\heron.ico"}),
              "uninstaller:C:\\Program Files\\Heron Paint; icon:D:\\Heron");
}

TEST(InstallFolderCandidates, WhatRanTheUninstallIsNoInstallFolder) {
    const std::wstring code = L"{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}";
    struct Case {
        std::wstring uninstall, icon;
    } cases[] = {
        {L"C:\\WINDOWS\\system32\\rundll32.exe C:\\PROGRA~1\\Heron\\setup.dll,Uninstall",
         L"C:\\icon.ico"},
        {L"MsiExec.exe /X{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}",
         L"C:\\Windows\\Installer\\" + code + L"\\h.exe,0"},
        {L"\"D:\\Tools\\msiexec.exe\" /x heron.msi", L"heron.ico"},
        {L"\"C:\\Users\\bob\\Temp\\{A}\\setup.exe\" /uninstall",
         L"C:\\Windows\\SysWOW64\\shell32.dll,12"},
        {L"\"C:\\ProgramData\\Package Cache\\{B}\\bundle.exe\" /uninstall",
         L"\\\\fs01\\apps\\h.ico"},
        {L"\"C:\\Program Files\\InstallShield Installation Information\\{C}\\setup.exe\" "
         L"-runfromtemp",
         L"\"E:\\tmp\\h.exe\",0"},
        {L"\"C:\\Program Files\\Heron\\unins000.exe",
         L"uninst.exe"},  // an unclosed quote runs nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(Folders({L"Heron", L"", c.uninstall, c.icon}), "")
            << std::string(c.uninstall.begin(), c.uninstall.end());
}

TEST(InstallFolderCandidates, WindowsInstallerEntriesAskTheInstaller) {
    const std::wstring code = L"{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}";
    std::vector<std::wstring> asked;
    InstallerProduct product{{L"C:\\Program Files\\Corvid\\Ledger\\bin\\ledger.dll",
                              L"C:\\Windows\\System32\\corvidrt.dll",  // a shared runtime
                              L"02:\\SOFTWARE\\Corvid\\Ledger\\",      // a registry key path
                              L"C:\\Program Files\\Corvid\\Ledger\\data\\",
                              L"c:\\program files\\corvid\\ledger\\Readme.txt"},
                             L"C:\\Program Files\\Corvid\\"};
    auto ask = [&](const std::wstring& c) -> std::optional<InstallerProduct> {
        asked.push_back(c);
        return product;
    };
    const std::wstring msiexec = L"MsiExec.exe /I" + code;
    EXPECT_EQ(Folders({code, L"D:\\Ledger", msiexec, L"", true}, ask),
              "location:D:\\Ledger; components:C:\\Program Files\\Corvid\\Ledger; "
              "property:C:\\Program Files\\Corvid");
    EXPECT_EQ(asked, std::vector<std::wstring>{code});

    // Components on two drives share no folder; an unknown product gives nothing.
    product.componentPaths = {L"C:\\Corvid\\a.dll", L"D:\\Corvid\\b.dll"};
    product.installLocation.clear();
    EXPECT_EQ(Folders({code, L"", msiexec, L"", true}, ask), "");
    EXPECT_EQ(Folders({code, L"", msiexec, L"", true},
                      [](const std::wstring&) { return std::optional<InstallerProduct>(); }),
              "");

    // Only an entry marked as Windows Installer's and named by a product code is asked about.
    asked.clear();
    Folders({code, L"", msiexec, L"", false}, ask);
    Folders({L"Corvid Ledger", L"", msiexec, L"", true}, ask);
    EXPECT_TRUE(asked.empty());
}

}  // namespace
