#pragma once
// The Languages submenu: which language files it offers, under which captions,
// and which of them is the current one.
#include <string>
#include <vector>

namespace cx {

struct LanguageChoice {
    std::string caption;   // the file name up to its first "."
    std::string fileName;  // the file the item stands for, e.g. "Deutsch.ini"
    bool checked = false;
};

// One item per "*.ini" file name, in the order given: the caption is the name
// up to its first "."; the item whose file name equals `currentFileName`
// (letter case aside) is checked. The item keeps its file name, so a file
// named with a second dot ("Deutsch.de.ini") is found again when chosen.
std::vector<LanguageChoice> PlanLanguageMenu(const std::vector<std::string>& fileNames,
                                             const std::string& currentFileName);

// The names of the language files in `langDir`, in listing order: files (not
// folders) whose name ends in ".ini". Names the 8-bit code page cannot hold
// are left out: the language file loader opens files by their 8-bit name.
std::vector<std::string> ListLanguageFiles(const std::string& langDir);

// The file-name part of a path.
std::string FileNameOfPath(const std::string& path);

}  // namespace cx
