#pragma once
// The texts of a file's version resource, for the Item Info of the startup page.
#include <windows.h>

#include <string>

namespace cx::startup {

struct TFileInfo {
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTrademarks;
    std::string OriginalFileName;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;
    VS_FIXEDFILEINFO FixedInfo{};
    std::string Extra;
};

// Fills `info` from the version resource of the file; true when the file has
// one with a translation entry. `extraKey`, when not empty, names one more
// string value to read into Extra. The record is left untouched on false.
bool ReadFileInfo(const std::string& fileName, TFileInfo& info, const std::string& extraKey = {});

}  // namespace cx::startup
