#include "seeder/DemoData.h"

#include <shlobj.h>

#include <stdexcept>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::demo {

namespace {

using enum Hive;

// Vendors and products are made up; the links use the reserved .example domain.
const std::vector<DemoProgram> kPrograms = {
    // Machine-wide installs.
    {.keyName = "BrindleNotes_is1",
     .displayName = "Brindle Notes 3.4",
     .publisher = "Brindlecode",
     .version = "3.4.2",
     .installDate = "20230914",
     .estimatedSizeKB = 48212,
     .helpLink = "https://brindlecode.example/support",
     .aboutLink = "https://brindlecode.example/notes",
     .updateLink = "https://brindlecode.example/notes/download",
     .root = Root::ProgramFiles,
     .vendorDir = "Brindlecode",
     .productDir = "Brindle Notes",
     .mainExe = "BrindleNotes.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Large,
     .uninstaller = "unins000.exe",
     .remains = Remains::Deep,
     .arpFrequency = 25,
     .arpInstallSize = 52428800},
    {.keyName = "QuillDraft",
     .displayName = "QuillDraft",
     .publisher = "Quillmark Systems",
     .version = "11.0.1804",
     .installDate = "20220302",
     .estimatedSizeKB = 131072,
     .helpLink = "https://quillmark.example/help",
     .aboutLink = "https://quillmark.example/",
     .root = Root::ProgramFiles,
     .vendorDir = "Quillmark Systems",
     .productDir = "QuillDraft",
     .mainExe = "QuillDraft.exe",
     .icon = IconStyle::Quoted,
     .layout = Layout::Standard,
     .uninstaller = "uninstall.exe",
     .remains = Remains::Standard,
     .arpFrequency = 10,
     .arpInstallSize = 134217728},
    {.keyName = "Saltmarsh Archiver",
     .displayName = "Saltmarsh Archiver 5",
     .publisher = "Saltmarsh Labs",
     .version = "5.12",
     .installDate = "20240117",
     .estimatedSizeKB = 9216,
     .aboutLink = "https://saltmarsh.example/archiver",
     .updateLink = "https://saltmarsh.example/archiver/update",
     .root = Root::ProgramFiles,
     .vendorDir = "Saltmarsh Labs",
     .productDir = "Archiver",
     .mainExe = "Archiver.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Large,
     .uninstaller = "unins000.exe",
     .remains = Remains::Standard,
     .arpFrequency = 3,
     .arpInstallSize = 9437184},
    {.keyName = "KestrelSync",
     .displayName = "Kestrel Sync",
     .publisher = "Kestrelpoint Software",
     .version = "2.0.7",
     .installDate = "20231102",
     .estimatedSizeKB = 20480,
     .helpLink = "https://kestrelpoint.example/sync/help",
     .root = Root::ProgramFiles,
     .vendorDir = "Kestrelpoint",
     .productDir = "Kestrel Sync",
     .mainExe = "ksync.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe",
     .handOver = true,
     .remains = Remains::Standard},
    {.keyName = "{4F7A2C1E-8B3D-4E59-A61C-0D2E9B7F3A58}",
     .displayName = "Varnel Mixer Console",
     .publisher = "Varnel Audio",
     .version = "4.1.0.212",
     .installDate = "20210623",
     .estimatedSizeKB = 77824,
     .helpLink = "https://varnel.example/support",
     .updateLink = "https://varnel.example/mixer/latest",
     .root = Root::ProgramFiles,
     .vendorDir = "Varnel Audio",
     .productDir = "Mixer Console",
     .mainExe = "vmixer.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "uninstall.exe",
     .windowsInstaller = true,
     .remains = Remains::Standard,
     .arpFrequency = 11,
     .arpInstallSize = 80740352},
    {.keyName = "MarbleDrift_is1",
     .displayName = "Marble Drift",
     .publisher = "Tindrel Games",
     .version = "1.3",
     .installDate = "20200811",
     .estimatedSizeKB = 356352,
     .aboutLink = "https://tindrel.example/marble",
     .root = Root::ProgramFiles,
     .vendorDir = "Tindrel Games",
     .productDir = "Marble Drift",
     .mainExe = "MarbleDrift.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Large,
     .uninstaller = "unins000.exe",
     .arpFrequency = 1,
     .arpInstallSize = 373293056},
    {.keyName = "{9C3B1D24-5E6F-4A7B-8C9D-0E1F2A3B4C5D}",
     .displayName = "Cobaltine Office Suite 2019",
     .publisher = "Cobaltine",
     .version = "19.0.4411",
     .installDate = "20190405",
     .estimatedSizeKB = 614400,
     .helpLink = "https://cobaltine.example/help",
     .aboutLink = "https://cobaltine.example/office",
     .updateLink = "https://cobaltine.example/office/updates",
     .root = Root::ProgramFiles,
     .vendorDir = "Cobaltine",
     .productDir = "Office Suite 2019",
     .mainExe = "cobwrite.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Large,
     .uninstaller = "uninstall.exe",
     .windowsInstaller = true,
     .remains = Remains::Standard,
     .arpFrequency = 2,
     .arpInstallSize = 629145600},
    {.keyName = "Ledgerline",
     .displayName = "Ledgerline Home Accounts",
     .publisher = "Merrowdata",
     .version = "2024.1",
     .installDate = "20240203",
     .estimatedSizeKB = 30720,
     .helpLink = "https://merrowdata.example/ledgerline/help",
     .aboutLink = "https://merrowdata.example/ledgerline",
     .root = Root::ProgramFiles,
     .vendorDir = "Merrowdata",
     .productDir = "Ledgerline",
     .mainExe = "ledger.exe",
     .icon = IconStyle::Quoted,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "PellucidViewer",
     .displayName = "Pellucid Image Viewer",
     .publisher = "Pellucid Tools",
     .version = "7.25",
     .installDate = "20230521",
     .estimatedSizeKB = 15360,
     .root = Root::ProgramFiles,
     .vendorDir = "Pellucid Tools",
     .productDir = "Image Viewer",
     .mainExe = "pviewer.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe",
     .remains = Remains::Standard},
    {.keyName = "PixelLoom",
     .displayName = "Pixel Loom",
     .publisher = "Graywick Studio",
     .version = "0.9.8",
     .installDate = "20240728",
     .estimatedSizeKB = 4096,
     .root = Root::ProgramFiles,
     .vendorDir = "Graywick Studio",
     .productDir = "Pixel Loom",
     .mainExe = "PixelLoom.exe",
     .layout = Layout::Tiny,
     .uninstaller = "uninstall.exe"},
    {.keyName = "{1A2B3C4D-5E6F-4071-8293-A4B5C6D7E8F9}",
     .displayName = "Ambrel VPN Client",
     .publisher = "Ambrel Networks",
     .version = "6.2.1",
     .installDate = "20220919",
     .estimatedSizeKB = 25600,
     .helpLink = "https://ambrel.example/vpn/help",
     .root = Root::ProgramFiles,
     .vendorDir = "Ambrel Networks",
     .productDir = "VPN Client",
     .mainExe = "ambrelvpn.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "uninstall.exe",
     .windowsInstaller = true},
    {.keyName = "FieldnoteReader",
     .displayName = "Fieldnote Reader",
     .publisher = "Fallowfield Software",
     .version = "1.0.4",
     .installDate = "20210130",
     .estimatedSizeKB = 2048,
     .root = Root::ProgramFiles,
     .vendorDir = "Fallowfield",
     .productDir = "Fieldnote Reader",
     .locationSlash = true,
     .mainExe = "fnreader.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    {.keyName = "ZephyrineDL",
     .displayName = "Zephyrine Download Helper",
     .publisher = "Zephyrine",
     .version = "3.3.0",
     .installDate = "20230110",
     .estimatedSizeKB = 12288,
     .updateLink = "https://zephyrine.example/dl/update",
     .root = Root::ProgramFiles,
     .vendorDir = "Zephyrine",
     .productDir = "Download Helper",
     .mainExe = "zdl.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "Oakhurst Disk Tidy",
     .displayName = "Disk Tidy",
     .publisher = "Oakhurst Utilities",
     .version = "2.1",
     .installDate = "20180512",
     .estimatedSizeKB = 1536,
     .root = Root::ProgramFiles,
     .vendorDir = "Oakhurst",
     .productDir = "Disk Tidy",
     .mainExe = "disktidy.exe",
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    {.keyName = "BrindleSketch_is1",
     .displayName = "Brindle Sketch",
     .publisher = "Brindlecode",
     .version = "1.8.0",
     .installDate = "20240302",
     .estimatedSizeKB = 40960,
     .helpLink = "https://brindlecode.example/support",
     .root = Root::ProgramFiles,
     .vendorDir = "Brindlecode",
     .productDir = "Brindle Sketch",
     .mainExe = "BrindleSketch.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "QuillPDFPrinter",
     .displayName = "Quill PDF Printer",
     .publisher = "Quillmark Systems",
     .version = "3.0.2",
     .installDate = "20220302",
     .estimatedSizeKB = 6144,
     .root = Root::ProgramFiles,
     .vendorDir = "Quillmark Systems",
     .productDir = "PDF Printer",
     .mainExe = "qpdfprn.exe",
     .layout = Layout::Tiny,
     .uninstaller = "uninstall.exe"},
    {.keyName = "SaltmarshBackup",
     .displayName = "Saltmarsh Backup",
     .publisher = "Saltmarsh Labs",
     .version = "2.4.9",
     .installDate = "20231219",
     .estimatedSizeKB = 18432,
     .root = Root::ProgramFiles,
     .vendorDir = "Saltmarsh Labs",
     .productDir = "Backup",
     .mainExe = "smbackup.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "TideClock",
     .displayName = "Tide Clock",
     .publisher = "Hollowmere",
     .version = "1.1",
     .installDate = "20191027",
     .estimatedSizeKB = 768,
     .root = Root::ProgramFiles,
     .vendorDir = "Hollowmere",
     .productDir = "Tide Clock",
     .mainExe = "tideclock.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    {.keyName = "LindqvarFonts",
     .displayName = "Lindqvar Font Manager",
     .publisher = "Lindqvar",
     .version = "5.0.3",
     .installDate = "20220808",
     .estimatedSizeKB = 22528,
     .helpLink = "https://lindqvar.example/fonts/manual",
     .root = Root::ProgramFiles,
     .vendorDir = "Lindqvar",
     .productDir = "Font Manager",
     .mainExe = "fontmgr.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "{3E4F5061-7283-4A94-B5C6-D7E8F9A0B1C2}",
     .displayName = "Corvane Media Codecs",
     .publisher = "Corvane",
     .version = "12.6",
     .installDate = "20210915",
     .estimatedSizeKB = 10240,
     .root = Root::ProgramFiles,
     .vendorDir = "Corvane",
     .productDir = "Media Codecs",
     .mainExe = "codecfg.exe",
     .layout = Layout::Tiny,
     .uninstaller = "uninstall.exe",
     .windowsInstaller = true},
    {.keyName = "PeakTerminal",
     .displayName = "Peak Terminal",
     .publisher = "Mistral Peak",
     .version = "0.74",
     .installDate = "20240404",
     .estimatedSizeKB = 3584,
     .root = Root::ProgramFiles,
     .vendorDir = "Mistral Peak",
     .productDir = "Peak Terminal",
     .mainExe = "peakterm.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "RegexBench",
     .displayName = "Regex Bench",
     .publisher = "Ostrander Labs",
     .version = "2.2",
     .installDate = "20200229",
     .estimatedSizeKB = 1024,
     .root = Root::ProgramFiles,
     .vendorDir = "Ostrander Labs",
     .productDir = "Regex Bench",
     .mainExe = "rxbench.exe",
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    {.keyName = "ThistleMail",
     .displayName = "Thistle Mail",
     .publisher = "Thistledown",
     .version = "91.4.0",
     .installDate = "20230806",
     .estimatedSizeKB = 204800,
     .helpLink = "https://thistledown.example/mail/support",
     .aboutLink = "https://thistledown.example/mail",
     .root = Root::ProgramFiles,
     .vendorDir = "Thistledown",
     .productDir = "Thistle Mail",
     .mainExe = "thistle.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Large,
     .uninstaller = "uninstall.exe"},
    {.keyName = "VellowayMaps",
     .displayName = "Velloway Maps",
     .publisher = "Velloway",
     .version = "8.0.0",
     .installDate = "20220130",
     .estimatedSizeKB = 92160,
     .root = Root::ProgramFiles,
     .vendorDir = "Velloway",
     .productDir = "Maps",
     .mainExe = "vmaps.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    // The bare minimum an installer writes: a name, a command and nothing else.
    {.keyName = "Stonepad",
     .displayName = "Stonepad",
     .root = Root::ProgramFiles,
     .vendorDir = "Quarrystone",
     .productDir = "Stonepad",
     .writeLocation = false,
     .mainExe = "stonepad.exe",
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    {.keyName = "BrackenCalc",
     .displayName = "Bracken Calc",
     .publisher = "Brackenridge",
     .version = "4.4",
     .installDate = "20170914",
     .estimatedSizeKB = 512,
     .root = Root::ProgramFiles,
     .vendorDir = "Brackenridge",
     .productDir = "Bracken Calc",
     .mainExe = "bcalc.exe",
     .icon = IconStyle::Quoted,
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    // No display name, but an uninstall command: still listed.
    {.keyName = "OrrinSyncAgent",
     .publisher = "Orrinsoft",
     .version = "1.0.12",
     .root = Root::ProgramFiles,
     .vendorDir = "Orrinsoft",
     .productDir = "Sync Agent",
     .mainExe = "syncagent.exe",
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    // Neither a display name nor an uninstall command: not listed.
    {.keyName = "Brindlecode.Updater", .publisher = "Brindlecode", .version = "1.2.0"},
    // Hidden by its installer.
    {.keyName = "Saltmarsh Runtime",
     .displayName = "Saltmarsh Runtime Components",
     .publisher = "Saltmarsh Labs",
     .version = "5.12",
     .installDate = "20240117",
     .estimatedSizeKB = 3072,
     .root = Root::ProgramFiles,
     .vendorDir = "Saltmarsh Labs",
     .productDir = "Runtime",
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe",
     .systemComponent = true},

    // Per-user installs.
    {.keyName = "TindrelLauncher",
     .hive = User,
     .displayName = "Tindrel Launcher",
     .publisher = "Tindrel Games",
     .version = "2.9.3",
     .installDate = "20240611",
     .estimatedSizeKB = 65536,
     .aboutLink = "https://tindrel.example/launcher",
     .root = Root::LocalAppData,
     .vendorDir = "Tindrel Games",
     .productDir = "Launcher",
     .mainExe = "TindrelLauncher.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "uninstall.exe",
     .remains = Remains::Standard,
     .arpFrequency = 3,
     .arpHive = User,
     .arpInstallSize = 67108864},
    {.keyName = "GraywickPalette",
     .hive = User,
     .displayName = "Graywick Palette",
     .publisher = "Graywick Studio",
     .version = "1.5",
     .installDate = "20230318",
     .estimatedSizeKB = 2560,
     .root = Root::LocalAppData,
     .vendorDir = "Graywick Studio",
     .productDir = "Palette",
     .mainExe = "palette.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},
    {.keyName = "ZephyrineTabs",
     .hive = User,
     .displayName = "Zephyrine Tabs",
     .publisher = "Zephyrine",
     .version = "0.31.2",
     .installDate = "20240901",
     .estimatedSizeKB = 8192,
     .root = Root::ProgramFiles,
     .vendorDir = "Zephyrine",
     .productDir = "Tabs",
     .mainExe = "ztabs.exe",
     .icon = IconStyle::Indexed,
     .layout = Layout::Standard,
     .uninstaller = "unins000.exe"},
    {.keyName = "HollowmereWeather",
     .hive = User,
     .displayName = "Hollowmere Weather",
     .publisher = "Hollowmere",
     .version = "3.0",
     .installDate = "20221224",
     .estimatedSizeKB = 1792,
     .root = Root::LocalAppData,
     .vendorDir = "Hollowmere",
     .productDir = "Weather",
     .mainExe = "weather.exe",
     .layout = Layout::Tiny,
     .uninstaller = "unins000.exe"},

    // System patches, each recognisable by one rule: the key name, a release
    // type or a parent key.
    {.keyName = "KB2718305",
     .displayName = "Security Update for Windows (KB2718305)",
     .installDate = "20230214",
     .helpLink = "https://support.example/kb/2718305",
     .root = Root::Windows,
     .productDir = "$NtUninstallKB2718305$\\spuninst",
     .writeLocation = false,
     .uninstaller = "spuninst.exe",
     .quiet = true,
     .patch = true},
    {.keyName = "KB3045171",
     .displayName = "Update for Windows (KB3045171)",
     .installDate = "20230314",
     .root = Root::Windows,
     .productDir = "$NtUninstallKB3045171$\\spuninst",
     .writeLocation = false,
     .uninstaller = "spuninst.exe",
     .quiet = true,
     .releaseType = "Update",
     .patch = true},
    {.keyName = "Cobaltine Office Suite KB100234",
     .displayName = "Security Update for Cobaltine Office Suite 2019 (KB100234)",
     .publisher = "Cobaltine",
     .version = "19.0.4502",
     .installDate = "20240109",
     .estimatedSizeKB = 5120,
     .root = Root::ProgramFiles,
     .vendorDir = "Cobaltine",
     .productDir = "Office Suite 2019\\Updates\\KB100234",
     .writeLocation = false,
     .uninstaller = "uninstall.exe",
     .quiet = true,
     .parentKeyName = "{9C3B1D24-5E6F-4A7B-8C9D-0E1F2A3B4C5D}",
     .parentDisplayName = "Cobaltine Office Suite 2019",
     .releaseType = "Security Update",
     .patch = true},
    {.keyName = "QuillDraft_Hotfix_1041",
     .displayName = "Hotfix for QuillDraft (Q1041)",
     .publisher = "Quillmark Systems",
     .version = "11.0.1804.1",
     .installDate = "20220610",
     .root = Root::ProgramFiles,
     .vendorDir = "Quillmark Systems",
     .productDir = "QuillDraft\\Hotfixes\\1041",
     .writeLocation = false,
     .uninstaller = "uninstall.exe",
     .quiet = true,
     .releaseType = "Hotfix",
     .patch = true},
    {.keyName = "{7D8E9FA0-B1C2-4D3E-8F4A-5B6C7D8E9F01}",
     .displayName = "Ambrel VPN Client Service Update 2",
     .publisher = "Ambrel Networks",
     .version = "6.2.2",
     .installDate = "20230227",
     .root = Root::ProgramFiles,
     .vendorDir = "Ambrel Networks",
     .productDir = "VPN Client\\Updates\\SU2",
     .writeLocation = false,
     .uninstaller = "uninstall.exe",
     .quiet = true,
     .windowsInstaller = true,
     .parentKeyName = "{1A2B3C4D-5E6F-4071-8293-A4B5C6D7E8F9}",
     .parentDisplayName = "Ambrel VPN Client",
     .patch = true},
    {.keyName = "VarnelMixer_SP1",
     .displayName = "Varnel Mixer Console Service Pack 1",
     .publisher = "Varnel Audio",
     .version = "4.1.1",
     .installDate = "20220117",
     .estimatedSizeKB = 14336,
     .root = Root::ProgramFiles,
     .vendorDir = "Varnel Audio",
     .productDir = "Mixer Console\\SP1",
     .writeLocation = false,
     .uninstaller = "uninstall.exe",
     .quiet = true,
     .releaseType = "Service Pack",
     .patch = true},
};

const std::vector<DemoScreenSaver> kScreenSavers = {
    {"auroribn.scr", true, "AuroraRibbons.scr", "Aurora Ribbons", "Glimmerwick Software", false},
    {"bncshape.scr", true, "BouncingShapes.scr", "Bouncing Shapes", "Glimmerwick Software", false},
    // No string 1: the title falls back to the version resource.
    {"qtiles.scr", false, "QuietTiles.scr", "Quiet Tiles Screen Saver", "Fallowfield Software",
     false},
    // An older copy left in the Windows folder under a name the system folder also has.
    {"auroribn.scr", false, "QuietTiles.scr", "Quiet Tiles Screen Saver", "Fallowfield Software",
     true},
};

const std::vector<DemoRunValue> kRunValues = {
    {User, "Run", false, "BrindleNotesTray", "BrindleNotes_is1", "/tray", true, false},
    {User, "Run", false, "KestrelSync", "KestrelSync", "-minimized", false, false},
    {User, "Run", false, "ZephyrineDL", "ZephyrineDL", "/background", true, false},
    // The same name disabled as well: two rows, enabled first.
    {User, "Run", true, "ZephyrineDL", "ZephyrineDL", "/background /lowprio", true, false},
    {User, "Run", true, "TideClock", "TideClock", nullptr, true, false},
    {User, "RunOnce", false, "SaltmarshFirstRun", "Saltmarsh Archiver", "/firstrun", true, false},
    {Machine, "Run", false, "CobaltineUpdater", "{9C3B1D24-5E6F-4A7B-8C9D-0E1F2A3B4C5D}",
     "/update /silent", true, false},
    {Machine, "Run", false, "VarnelMixerTray", "{4F7A2C1E-8B3D-4E59-A61C-0D2E9B7F3A58}", "/tray",
     false, true},
    {Machine, "Run", true, "PellucidAgent", "PellucidViewer", "/agent", true, false},
    // Wine runs and deletes machine-wide RunOnce values when a session starts;
    // its Setup subkey is left alone.
    {Machine, "RunOnce\\Setup", false, "QuillDraftPostSetup", "QuillDraft", "/postsetup", true,
     false},
};

const std::vector<DemoShortcut> kShortcuts = {
    {false, "Brindle Notes.lnk", "BrindleNotes_is1", "/minimized", "Start Brindle Notes"},
    {false, "Tide Clock.lnk", "TideClock", nullptr, "Tide Clock"},
    {true, "Ledgerline Reminders.lnk", "Ledgerline", "/reminders", "Ledgerline reminders"},
    {true, "Pellucid Quick Launch.lnk", "PellucidViewer", "/quicklaunch", "Pellucid Image Viewer"},
};

std::string ShellFolder(int csidl) {
    char buf[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buf, csidl, TRUE))
        throw std::runtime_error(Format("no path for shell folder %d", csidl));
    std::string dir = buf;
    while (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

std::string Stem(const char* exe) {
    std::string s = exe ? exe : "app.exe";
    size_t dot = s.rfind('.');
    return dot == std::string::npos ? s : s.substr(0, dot);
}

reg::Value Sz(const std::string& name, const std::string& text) {
    return {name, REG_SZ, std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1)};
}

reg::Value Dw(const std::string& name, DWORD v) {
    auto p = reinterpret_cast<const BYTE*>(&v);
    return {name, REG_DWORD, std::vector<BYTE>(p, p + sizeof v)};
}

reg::Value Bin(const std::string& name, std::vector<BYTE> bytes) {
    return {name, REG_BINARY, std::move(bytes)};
}

reg::Value Multi(const std::string& name, const std::vector<std::string>& items) {
    std::vector<BYTE> data;
    for (const auto& s : items) {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
    }
    data.push_back(0);
    return {name, REG_MULTI_SZ, std::move(data)};
}

}  // namespace

const std::vector<DemoProgram>& Programs() { return kPrograms; }
const std::vector<DemoScreenSaver>& ScreenSavers() { return kScreenSavers; }
const std::vector<DemoRunValue>& RunValues() { return kRunValues; }
const std::vector<DemoShortcut>& Shortcuts() { return kShortcuts; }

const DemoProgram& ProgramByKey(const std::string& keyName) {
    for (const auto& p : kPrograms)
        if (keyName == p.keyName) return p;
    throw std::runtime_error("no demo program " + keyName);
}

bool IsListed(const DemoProgram& p) {
    return (p.displayName || p.uninstaller) && !p.systemComponent;
}

HKEY HiveRoot(Hive hive) { return hive == Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
const char* HiveText(Hive hive) { return hive == Machine ? "HKLM" : "HKCU"; }

std::string RootDir(Root root) {
    switch (root) {
    case Root::ProgramFiles: return ShellFolder(CSIDL_PROGRAM_FILES);
    case Root::LocalAppData: return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs";
    case Root::Windows: {
        std::string dir = WindowsDirectory();
        while (!dir.empty() && dir.back() == '\\') dir.pop_back();
        return dir;
    }
    case Root::None: break;
    }
    return {};
}

std::string InstallDir(const DemoProgram& p) {
    if (p.root == Root::None || !p.productDir || !*p.productDir) return {};
    std::string dir = RootDir(p.root) + "\\";
    if (p.vendorDir) dir += std::string(p.vendorDir) + "\\";
    return dir + p.productDir + "\\";
}

std::string InstallLocation(const DemoProgram& p) {
    std::string dir = InstallDir(p);
    if (!p.locationSlash && !dir.empty()) dir.pop_back();
    return dir;
}

std::string UninstallCommand(const DemoProgram& p) {
    if (!p.uninstaller) return {};
    std::string cmd = "\"" + InstallDir(p) + p.uninstaller + "\" /key \"" + p.keyName +
                      "\" /hive " + HiveText(p.hive);
    if (p.handOver) cmd += " /handover";
    if (p.quiet) cmd += " /silent";
    return cmd;
}

std::string MainExePath(const DemoProgram& p) {
    if (!p.mainExe) return {};
    return InstallDir(p) + p.mainExe;
}

std::string MainExeTool(const DemoProgram& p) {
    constexpr int kBuilds = 8;
    int turn = 0;
    for (const DemoProgram& other : Programs()) {
        if (&other == &p) break;
        if (other.mainExe) ++turn;
    }
    const int k = turn % kBuilds + 1;
    return k == 1 ? "SampleApp.exe" : "SampleApp" + std::to_string(k) + ".exe";
}

std::string DisplayIcon(const DemoProgram& p) {
    switch (p.icon) {
    case IconStyle::Indexed: return MainExePath(p) + ",0";
    case IconStyle::Quoted: return "\"" + MainExePath(p) + "\"";
    case IconStyle::None: break;
    }
    return {};
}

std::vector<DemoFile> FilesOf(const DemoProgram& p) {
    std::vector<DemoFile> files;
    if (InstallDir(p).empty()) return files;
    const std::string stem = Stem(p.mainExe);
    auto filler = [&](std::string path, DWORD size, bool removed) {
        files.push_back({std::move(path), FileKind::Filler, size, removed});
    };
    if (p.mainExe) files.push_back({p.mainExe, FileKind::MainExe, 0, true});
    switch (p.layout) {
    case Layout::Tiny:
        filler(stem + ".dll", 12288, true);
        filler("readme.txt", 900, true);
        filler(".settings", 120, false);
        break;
    case Layout::Large:
        filler(stem + "help.chm", 40960, true);
        filler("Plugins\\export.dll", 16384, false);
        filler("Plugins\\import.dll", 16384, false);
        filler("Languages\\de.lng", 6000, false);
        filler("Languages\\fr.lng", 6200, false);
        filler(".cache\\thumbs.db", 8192, false);
        filler("Logs\\" + stem + ".log", 2400, false);
        [[fallthrough]];
    case Layout::Standard:
        filler(stem + "core.dll", 65536, true);
        filler(stem + "ui.dll", 32768, true);
        filler("readme.txt", 2100, true);
        filler("license.txt", 4300, true);
        filler(stem + ".ini", 310, false);
        filler(".settings", 160, false);
        filler("Data\\profile.dat", 4096, false);
        filler("Data\\templates\\default.tpl", 1500, false);
        break;
    case Layout::None: break;
    }
    // The uninstaller cannot delete itself; a hand-over copy in the temp folder can.
    if (p.uninstaller) files.push_back({p.uninstaller, FileKind::Uninstaller, 0, p.handOver});
    return files;
}

std::string FillerContent(const std::string& relPath, DWORD size) {
    const std::string line = "Sample data of " + relPath + " for the demo machine.\r\n";
    std::string out;
    out.reserve(size);
    while (out.size() < size) out += line;
    out.resize(size);
    return out;
}

std::vector<RemainKey> RemainKeysOf(const DemoProgram& p) {
    std::vector<RemainKey> keys;
    if (p.remains == Remains::None) return keys;
    const std::string key = p.keyName;
    const std::string vendor = p.vendorDir ? p.vendorDir : "Unknown Vendor";
    const std::string name = p.displayName ? p.displayName : key;
    const std::string dir = InstallLocation(p);
    const BYTE windowPos[] = {0x2c, 0, 0, 0, 0x78, 0, 0, 0, 0x20, 3, 0, 0, 0x58, 2, 0, 0};

    keys.push_back({User,
                    "Software\\" + key,
                    true,
                    1,
                    {Sz("", name), Sz("LastRun", "2024-09-30 18:22"), Dw("RunCount", 143),
                     Bin("WindowPos", {std::begin(windowPos), std::end(windowPos)})}});
    keys.push_back(
        {Machine,
         "Software\\" + vendor + "\\" + key,
         true,
         1,
         {Sz("InstallPath", dir), Sz("Version", p.version ? p.version : "1.0"), Dw("Edition", 2)}});
    keys.push_back({User, "Software\\" + vendor + "\\" + key, true, 1, {}});
    keys.push_back({User,
                    "Software\\" + vendor + "\\" + key + "\\Settings",
                    false,
                    1,
                    {Sz("", ""), Sz("Theme", "Dark"), Dw("AutoSave", 1),
                     Multi("RecentFiles", {"C:\\users\\Public\\Documents\\plan.txt",
                                           "C:\\users\\Public\\Documents\\notes.txt"})}});
    if (p.windowsInstaller)
        keys.push_back({Machine,
                        "Software\\Classes\\Installer\\Products\\" + key,
                        true,
                        4,
                        {Sz("ProductName", name), Dw("Language", 1033)}});
    if (p.remains == Remains::Deep) {
        // A second match nested in the first, and a near miss that differs in case only.
        keys.push_back({Machine,
                        "Software\\" + vendor + "\\" + key + "\\Components\\" + key,
                        true,
                        1,
                        {Sz("", "core"), Sz("Path", dir)}});
        keys.push_back({User,
                        "Software\\" + vendor + "\\Legacy\\" + Lower(key),
                        false,
                        1,
                        {Dw("Migrated", 1)}});
    }
    return keys;
}

SlowInfoCache ArpCacheOf(const DemoProgram& p) {
    SlowInfoCache c{};
    c.cbSize = sizeof c;
    c.InstallSize = p.arpInstallSize;
    c.Frequency = static_cast<DWORD>(p.arpFrequency);
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 10;
    st.wDay = static_cast<WORD>(1 + p.arpFrequency % 28);
    st.wHour = 9;
    st.wMinute = 30;
    SystemTimeToFileTime(&st, &c.LastUsed);
    const std::wstring exe = AnsiToWide(MainExePath(p));
    c.HasName = exe.empty() ? FALSE : TRUE;
    exe.copy(c.Name, std::min<size_t>(exe.size(), 261));
    return c;
}

std::string RunValueData(const DemoRunValue& v) {
    std::string exe = MainExePath(ProgramByKey(v.programKey));
    if (v.expandable) {
        const std::string pf = RootDir(Root::ProgramFiles);
        if (StartsWithNoCase(exe, pf)) exe = "%ProgramFiles%" + exe.substr(pf.size());
    }
    std::string data = v.quoted ? "\"" + exe + "\"" : exe;
    if (v.arguments) data += std::string(" ") + v.arguments;
    return data;
}

std::string StartupFolder(bool allUsers) {
    return ShellFolder(allUsers ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP) + "\\";
}

std::string ShortcutTarget(const DemoShortcut& s) {
    return MainExePath(ProgramByKey(s.programKey));
}

std::string ScreenSaverPath(const DemoScreenSaver& s) {
    std::string dir = s.systemFolder ? SystemDirectory() : WindowsDirectory();
    return IncludeTrailingBackslash(dir) + s.fileName;
}

}  // namespace cx::demo
