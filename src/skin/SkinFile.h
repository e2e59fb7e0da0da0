#pragma once
// Skin files: INI files with the sections "MainForm" and "RegistryForm" holding
// the SK_ keys of SkinSettings. A missing file is first written with the current
// values.
#include <string>

namespace cx {

// Reads the skin file at AppPaths().SkinPath into SkinSettings.
bool LoadSkinFile();
// Reads the skin file at `path` into SkinSettings, writing it first when it does
// not exist; keys missing from the file leave their values as they are. When the
// file cannot be written, says "Save file %s failed!" and returns false with the
// table unchanged. True when the file was read to the end.
bool LoadSkinFile(const std::string& path);
// Writes every current value under its key and section, in table order. False
// at the first write that fails (what was written stays); no message.
bool WriteDefaultSkinFile(const std::string& path);

}  // namespace cx
