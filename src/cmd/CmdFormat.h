#pragma once
// How the commands print: CSV fields quoted as RFC 4180 asks, JSON strings
// escaped from the UTF-16 text, the rows of the program list, the details and
// the startup list in the three formats, the remains as an indented list, and
// the conversion of the program's ANSI texts into the console's code page.
// Plain code: the callers write the results to the standard handles.
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cmd/CmdArgs.h"

namespace cx::cmd {

// One field of a CSV record: as written when it holds no comma, double quote,
// CR or LF, else in double quotes with each double quote doubled.
std::string CsvField(std::string_view field);
// The fields joined by commas, ended by CR LF.
std::string CsvRecord(const std::vector<std::string>& fields);

// A JSON string literal (quotes included) of a UTF-16 text: the quote, the
// backslash and the control characters escaped, and everything outside
// printable ASCII as \uXXXX of its UTF-16 code units (a character beyond the
// BMP as its surrogate pair), so the output is ASCII whatever the console.
std::string JsonString(std::wstring_view text);
// The same for a text in the ANSI code page.
std::string JsonAnsi(std::string_view ansi);

// A text in the ANSI code page re-encoded for `codePage`; characters the code
// page lacks become "?" (never a look-alike). Code page 0 or the ANSI code
// page leave the text as it is.
std::string ToCodePage(std::string_view ansi, UINT codePage);

// One row of `list`.
struct ListEntry {
    std::string name;  // the caption the window's list shows
    std::string publisher, version;
    double sizeBytes = 0;  // 0: not known
    std::string installDate;
    std::string location;
    std::string hive;          // empty for screen savers
    std::string registryName;  // the uninstall key's name; the file name of a screen saver
    std::string kind;          // "program", "patch" or "screensaver"
    // Its uninstaller and its files are gone (IsBrokenEntry); never a screen saver.
    bool broken = false;
};
std::string FormatList(const std::vector<ListEntry>& entries, OutputFormat format);

// `show`: the program's identity, then the rows of the details window's two pages.
struct ShowData {
    std::string name, registryName, hive;
    std::vector<std::pair<std::string, std::string>> properties, registry;
};
std::string FormatShow(const ShowData& data, OutputFormat format);

// One row of `startup list`.
struct StartupLine {
    std::string name, command, location;
    bool enabled = true;
};
std::string FormatStartup(const std::vector<StartupLine>& rows, OutputFormat format);

// A check tree as lines: "[x]", "[ ]" or "[-]" (checked, unchecked, partly),
// then the node indented by its depth, folders and links marked, kept folders
// marked as kept. Nothing for an empty tree.
std::string FormatTree(const cleanup::CheckTree& tree);

// True for an answer that means yes: "y" or "yes" in any case, blanks around.
bool IsYes(std::string_view answer);

}  // namespace cx::cmd
