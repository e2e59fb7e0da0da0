#pragma once
// Language files: INI files with one section "Language" holding one IDS_ key per
// text of LangText. A missing file is first written with the current texts.
#include <string>
#include <string_view>

namespace cx {

// Trims characters of code 32 or less from both ends, then turns the stored
// form into the displayed one (toDisplay: "#13" -> CR LF) or back (CR LF, then
// a lone LF, then a lone CR -> "#13").
std::string ConvertLineBreaks(std::string_view text, bool toDisplay);

// "Save file %s failed!" for a settings file that could not be written, with the
// error icon, captioned with the application title as it is at that moment.
void ShowSaveFileFailed(const std::string& path);

// Reads the language file at `path` into LangText, writing it first when it does
// not exist. Keys missing from the file leave their entries as they are. When the
// file cannot be written, says "Save file %s failed!" and returns false with the
// table unchanged. True when the file was read to the end.
bool LoadLanguageFile(const std::string& path);
// Writes every entry's current text under its key, in table order; the four
// converted entries in their stored form. False at the first write that fails
// (what was written stays); no message.
bool WriteDefaultLanguageFile(const std::string& path);

}  // namespace cx
