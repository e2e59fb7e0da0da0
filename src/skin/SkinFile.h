#pragma once
// Skin files: INI files with the sections "MainForm" and "RegistryForm" holding
// the SK_ keys of SkinSettings. A missing file is first written with the current
// values.
#include <string>

namespace cx {

enum class SkinLoad {
    Read,        // the file was read to the end
    NotRead,     // the file could not be read
    NotWritten,  // the file was missing and could not be written; the table is unchanged
};
// Reads the skin file at `path` into SkinSettings, writing it first when it does
// not exist; keys missing from the file leave their values as they are. Shows
// nothing: telling the user is the caller's part, which knows the texts.
SkinLoad LoadSkinFile(const std::string& path);
// Writes every current value under its key and section, in table order. False
// at the first write that fails (what was written stays); no message.
bool WriteDefaultSkinFile(const std::string& path);

}  // namespace cx
