#include "harness/Planted.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "harness/TestKit.h"

namespace cx::test {

const std::vector<std::string>& PlantedToolNames() {
    static const std::vector<std::string> names{"regedit.exe", "control.exe", "mmc.exe"};
    return names;
}

void PlantSystemTools(const std::string& dir) {
    const std::string helper = BuildDir() + "tests\\cleanup_wait\\WaitHelper.exe";
    for (const std::string& name : PlantedToolNames()) {
        DeleteFileA((dir + name + ".ran").c_str());
        if (!CopyFileA(helper.c_str(), (dir + name).c_str(), FALSE))
            ADD_FAILURE() << "could not plant " << dir << name << " from " << helper;
    }
}

std::vector<std::string> PlantsThatRan(const std::string& dir) {
    std::vector<std::string> ran;
    for (const std::string& name : PlantedToolNames())
        if (GetFileAttributesA((dir + name + ".ran").c_str()) != INVALID_FILE_ATTRIBUTES)
            ran.push_back(name);
    return ran;
}

}  // namespace cx::test
