#pragma once
// Keeps every shell call the program makes for the life of the object, instead
// of letting it reach the shell. Header-only, like MessageLog.
#include <windows.h>

#include <vector>

#include "widgets/Seam.h"

namespace cx::test {

class ShellLog {
public:
    ShellLog() {
        ui::SetShellResponder([this](const ui::ShellCall& c) {
            calls.push_back(c);
            return result;
        });
    }
    ~ShellLog() { ui::SetShellResponder({}); }
    ShellLog(const ShellLog&) = delete;
    ShellLog& operator=(const ShellLog&) = delete;

    std::vector<ui::ShellCall> calls;
    INT_PTR result = 42;  // what the shell answers: above 32 is success
};

}  // namespace cx::test
