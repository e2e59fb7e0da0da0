#pragma once
// Shared by the fixture tests: running the seeder and reading back what it made.
#include <windows.h>

#include <string>
#include <vector>

namespace cx::test::tools {

// build\tools\, where the seeder and the samples are.
std::string ToolsDir();
// Runs Seeder.exe with the given switches; its exit code (-1 on a hang).
int RunSeeder(const std::string& args);

bool KeyExists(HKEY root, const std::string& path);
// A key and its subtree as sorted text lines (path, value name, type, data in hex);
// "(missing)" when the key is not there.
std::string DumpKey(HKEY root, const std::string& path);
// Every file and folder below dir as sorted "relative path|size" lines
// (folders end in "\" and have no size); empty when dir does not exist.
std::vector<std::string> ListTree(const std::string& dir);
// Everything the seeder is responsible for, as one text, to compare two states.
std::string SeededState();
// The lines that differ between two texts ("-" only in a, "+" only in b); empty when equal.
std::string LineDiff(const std::string& a, const std::string& b);

}  // namespace cx::test::tools
