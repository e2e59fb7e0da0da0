#include "Registration.h"

#include <objbase.h>

#include <initializer_list>

#include "Dravik_h.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::svc {

namespace {

// oleaut32's marshaler for automation interfaces described by a type library.
const char* const kAutomationProxyStub = "{00020424-0000-0000-C000-000000000046}";
const char* const kClassesPath = "Software\\Classes";

// Opens or creates each name below the previous one, so no path is ever opened
// whole from the root.
reg::Key CreateChain(HKEY root, std::initializer_list<std::string> names) {
    reg::Key key = reg::Key::Create(root, *names.begin(), KEY_WRITE);
    for (auto it = names.begin() + 1; it != names.end(); ++it)
        key = reg::Key::Create(key.get(), *it, KEY_WRITE);
    return key;
}

reg::Key CreateSub(const reg::Key& parent, const std::string& name) {
    return reg::Key::Create(parent.get(), name, KEY_WRITE);
}

void WriteInterface(const reg::Key& classes, REFIID iid, const char* name,
                    const std::string& libid) {
    reg::Key itf = CreateChain(classes.get(), {"Interface", GuidText(iid)});
    itf.SetString("", name);
    CreateSub(itf, "ProxyStubClsid32").SetString("", kAutomationProxyStub);
    CreateSub(itf, "ProxyStubClsid").SetString("", kAutomationProxyStub);
    reg::Key lib = CreateSub(itf, "TypeLib");
    lib.SetString("", libid);
    lib.SetString("Version", "1.0");
}

std::string ClassPath() {
    return std::string(kClassesPath) + "\\CLSID\\" + GuidText(CLSID_ProgramList);
}

}  // namespace

std::string GuidText(REFGUID guid) {
    wchar_t buf[64];
    int n = StringFromGUID2(guid, buf, 64);
    return n > 1 ? WideToAnsi(std::wstring_view(buf, static_cast<size_t>(n - 1))) : std::string();
}

void WriteRegistration(HKEY hive, const std::string& modulePath) {
    const std::string libid = GuidText(LIBID_DravikLib);
    reg::Key classes = CreateChain(hive, {"Software", "Classes"});

    // The class first: when the hive refuses us, it refuses before anything is half-written.
    reg::Key cls = CreateChain(classes.get(), {"CLSID", GuidText(CLSID_ProgramList)});
    cls.SetString("", "Dravik program list");
    reg::Key server = CreateSub(cls, "InprocServer32");
    server.SetString("", modulePath);
    server.SetString("ThreadingModel", "Apartment");
    CreateSub(cls, "TypeLib").SetString("", libid);
    CreateSub(cls, "Version").SetString("", "1.0");

    reg::Key lib = CreateChain(classes.get(), {"TypeLib", libid, "1.0"});
    lib.SetString("", "Dravik inventory service");
    CreateChain(lib.get(), {"0", "win32"}).SetString("", modulePath);
    CreateSub(lib, "FLAGS").SetString("", "0");
    CreateSub(lib, "HELPDIR").SetString("", ExtractFilePath(modulePath));

    WriteInterface(classes, IID_IProgramList, "IProgramList", libid);
    WriteInterface(classes, IID_IProgramItem, "IProgramItem", libid);
}

bool DeleteRegistration(HKEY hive) noexcept {
    try {
        bool ok = true;
        const std::string base = std::string(kClassesPath) + "\\";
        for (const std::string& path : {ClassPath(), base + "TypeLib\\" + GuidText(LIBID_DravikLib),
                                        base + "Interface\\" + GuidText(IID_IProgramList),
                                        base + "Interface\\" + GuidText(IID_IProgramItem)}) {
            if (!reg::Key::Open(hive, path, KEY_READ)) continue;
            if (!reg::DeleteTree(hive, path)) ok = false;
        }
        return ok;
    } catch (...) {
        return false;
    }
}

bool HasRegistration(HKEY hive) noexcept {
    try {
        return reg::Key::Open(hive, ClassPath() + "\\InprocServer32", KEY_READ).has_value();
    } catch (...) {
        return false;
    }
}

HKEY RegisterServer(const std::string& modulePath) {
    try {
        WriteRegistration(HKEY_LOCAL_MACHINE, modulePath);
        // A per-user copy left from a run without administrator rights would
        // shadow this one on Windows and may name an older location.
        if (HasRegistration(HKEY_CURRENT_USER)) DeleteRegistration(HKEY_CURRENT_USER);
        return HKEY_LOCAL_MACHINE;
    } catch (const AppError&) {
        // Whatever got written machine-wide before the refusal is removed where we may.
        DeleteRegistration(HKEY_LOCAL_MACHINE);
    }
    WriteRegistration(HKEY_CURRENT_USER, modulePath);
    return HKEY_CURRENT_USER;
}

bool UnregisterServer() noexcept {
    bool machine = DeleteRegistration(HKEY_LOCAL_MACHINE);
    bool user = DeleteRegistration(HKEY_CURRENT_USER);
    return machine && user;
}

}  // namespace cx::svc
