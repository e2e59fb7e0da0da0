#include "InventoryKit.h"

#include <gtest/gtest.h>

#include "harness/TestKit.h"
#include "platform/Registry.h"
#include "seeder/DemoData.h"

namespace invtest {

void PrepareSeededService() {
    static bool done = false;
    if (done) return;
    done = true;
    ASSERT_EQ(cx::test::Reseed(), 0);
    HMODULE dll = LoadLibraryA((cx::test::OutDir() + "Dravik.dll").c_str());
    ASSERT_TRUE(dll) << "cannot load " << cx::test::OutDir() << "Dravik.dll";
    auto reg =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll, "DllRegisterServer"));
    ASSERT_TRUE(reg);
    ASSERT_HRESULT_SUCCEEDED(reg());
}

long IndexOfKey(cx::TProgramList& list, const std::string& keyName) {
    list.RefreshPrograms();
    unsigned long n = list.ProgramCount();
    for (unsigned long i = 0; i < n; ++i) {
        auto item = list.GetProgram(static_cast<long>(i));
        if (item && item->RegistryName() == keyName) return static_cast<long>(i);
    }
    return -1;
}

long IndexOfKeyIn(cx::TProgramList& list, const std::string& keyName, const std::string& hive) {
    list.RefreshPrograms();
    unsigned long n = list.ProgramCount();
    for (unsigned long i = 0; i < n; ++i) {
        auto item = list.GetProgram(static_cast<long>(i));
        if (item && item->RegistryName() == keyName && item->Hive() == hive)
            return static_cast<long>(i);
    }
    return -1;
}

ScopedEntry::ScopedEntry(const std::string& keyName, const std::string& displayName, HKEY root)
    : cx::test::ScopedEntry(root, keyName) {
    Text("DisplayName", displayName).Text("Publisher", "Cx Test Publisher");
}

SeamRecorder::SeamRecorder() { cx::ui::SetApplicationTitle("Carvexo"); }

SeamRecorder::~SeamRecorder() { cx::ui::SetModalHook({}); }

HWND Control(HWND form, int id) {
    HWND h = GetDlgItem(form, id);
    EXPECT_TRUE(h) << "no control " << id;
    return h;
}

SIZE ClientSize(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace invtest
