#pragma once
// What the program list page decides, over plain data: which records become
// rows and with what caption, sort order, search, the kind of a row, the status
// and tip texts, the details rows, and which clicked links may be handed to the
// shell. Nothing here touches the system; ListSystem.h does.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cx::inv {

// Byte-wise comparison after folding ASCII a-z to upper case; every other byte
// (ANSI letters above 127 included) compares by its code. <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

// The texts of one program list row that sorting looks at.
struct RowTexts {
    std::string caption, publisher, directory;
};
// Column 0 compares captions; column c > 0 compares sub-item c - 1 right-aligned
// in ten places ("%10s"), so short texts sort by length and numbers by value.
// A column without a sub-item compares as empty. Descending negates the result.
int CompareRows(const RowTexts& a, const RowTexts& b, int column, bool ascending);
// What CompareRows compares of a row for a column, and the comparison of two
// such keys: a sort of many rows makes each row's key once.
std::string SortKey(const RowTexts& row, int column);
int CompareSortKeys(const std::string& a, const std::string& b, bool ascending);

// Looks for `text` (ASCII case folded) in captions[start..]. On a hit sets
// searchPos to the row after it and returns the row; otherwise returns -1 and
// leaves searchPos alone. A negative start searches from the top.
int FindProgram(const std::vector<std::string>& captions, int start, const std::string& text,
                int& searchPos);

// What a row of the program list stores: the service index of its record, with
// a mark for screen savers (whose indexes count from 0 in their own list). The
// kind is stored when the list is loaded, never read back from the caption.
LPARAM ScreenSaverRowData(long index);
inline constexpr LPARAM kScreenSaverRowMark = 0x40000000;
bool RowIsScreenSaver(LPARAM data);
long RowIndex(LPARAM data);

// The kind of a program record, as the service gives it.
inline constexpr long kKindProgram = 0;
inline constexpr long kKindPatch = 1;  // a system patch

// A row picture the list asks for when it first shows the row (the list
// view's I_IMAGECALLBACK).
inline constexpr long kIconWhenShown = -1;

// One program record of the service, as the list reads it.
struct ProgramRecord {
    long kind = kKindProgram;
    std::string displayName, registryName, publisher, installLocation;
    std::string hive;  // "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER"
    long icon = 0;
};
// One screen-saver record of the service.
struct ScreenSaverRecord {
    std::string file, title, publisher, folder;
    long icon = 0;
};

// A row of the program list: its three texts, what it stores (see RowIndex)
// and its picture.
struct ListRow {
    std::string caption, publisher, directory;
    LPARAM data = 0;
    long image = 0;
};

// What a program record is called in the list: its display name, else its
// registry name.
std::string ProgramCaption(const ProgramRecord& record);

// The rows of the program records, in their order, each storing its record's
// index. Patches are counted whether they are shown or not; with hidePatches
// they get no row.
struct ProgramRows {
    std::vector<ListRow> rows;
    unsigned long patches = 0;
};
ProgramRows PlanProgramRows(const std::vector<ProgramRecord>& records, bool hidePatches);
// The rows of the screen savers, in their order; none with hideScreenSavers.
std::vector<ListRow> PlanScreenSaverRows(const std::vector<ScreenSaverRecord>& savers,
                                         bool hideScreenSavers);

// The status bar's count line, "124 (Windows Updates: 30, Screen Saver: 4)".
std::string ProgramCountText(unsigned long total, unsigned long patches,
                             unsigned long screenSavers);
// "Rarely" below 3, "Occasionally" from 3 to 10, "Frequently" above.
std::string FrequencyWord(unsigned long usedFrequency);
// "[Screen Saver]title" (the file name when the title is empty); empty when the file is.
std::string ScreenSaverCaption(const std::string& title, const std::string& file);

struct ProgramTipData {
    unsigned long usedFrequency = 0;
    std::string lastUsed, uninstallString;
};
// The info tip of a program row: frequency, last use (only when known) and the
// uninstall command, the last line without a line break.
std::string ProgramTip(const ProgramTipData& data);
// The info tip of a screen-saver row: size in MB, file name, last use; every line ends in CR LF.
std::string ScreenSaverTip(unsigned long sizeBytes, const std::string& file,
                           const std::string& lastUsed);

// The status bar link: the first non-empty of the three.
std::string ChooseStatusLink(const std::string& about, const std::string& help,
                             const std::string& update);

// What the shell is given for a link, or nothing when it may not be launched.
// A link may be launched when it is an http://, https:// or mailto: address
// (scheme in any case) with something after the scheme, starting at the first
// character, and free of control characters, blanks and double quotes (which
// could break out of the browser's command line); it is given as written.
// Publishers often write a web address without its scheme: "www." (any case)
// followed by a plausible host name (letters, digits and inner hyphens in dot-
// separated labels of up to 63 characters, ending in a label of two or more
// letters, 253 characters in all), then nothing or an optional ":port" and a
// path, query or fragment begun by "/", "?" or "#", is given with "http://"
// in front. A backslash anywhere refuses such an address.
std::optional<std::string> LaunchableLink(const std::string& link);
bool IsLaunchableLink(const std::string& link);

// What the "Program Properties" page shows of a program.
struct ProgramProperties {
    float size = 0.0f;  // bytes
    std::string installDate;
    unsigned long usedFrequency = 0;
    std::string lastUsed, installLocation, version, publisher, helpLink, aboutLink, updateLink;
};
// The (label, value) rows from "Programs Size" to "Update Link", in order, each
// only under its condition ("Used Frequency" always).
std::vector<std::pair<std::string, std::string>> PropertyRows(const ProgramProperties& p);

}  // namespace cx::inv
