#pragma once
// The start the main-window suites share: a copy of the program folder with
// the real inventory service registered, and before each test a first start
// from it (no Config.ini, default switches, skin and language loaded).
#include <string>

namespace cx::test {

// Copies the output folder to a scratch folder named `name` and registers the
// service from the output folder; the copy's folder, ending in "\".
std::string PrepareAppCopy(const std::string& name);

// Starts the program's state afresh in `appDir` as a first start would; false
// when the start failed (the failure is on the message seam).
bool StartFresh(const std::string& appDir);

}  // namespace cx::test
