#pragma once
// Programs planted under the names of system tools, as anyone who can write to
// a folder could plant them there: a tool started by bare name from that folder
// runs the plant instead. Each plant is a copy of the wait helper
// (tests/cleanup_wait; a suite that plants depends on WaitHelper) and notes in
// "<its path>.ran" that it ran.
#include <string>
#include <vector>

namespace cx::test {

// The names planted: regedit.exe, control.exe, mmc.exe.
const std::vector<std::string>& PlantedToolNames();
// Plants them in `dir` (ending in "\"); a test failure when one cannot be copied.
void PlantSystemTools(const std::string& dir);
// The plants in `dir` that ran, by name.
std::vector<std::string> PlantsThatRan(const std::string& dir);

}  // namespace cx::test
