// DllRegisterServer and DllUnregisterServer: machine-wide when allowed, per
// user when the machine hive refuses. The refusal is made real in this process
// by pointing HKEY_LOCAL_MACHINE at a sandbox key (RegOverridePredefKey).
//
// A read-only handle is not enough for that: neither Wine nor Windows checks
// the parent handle's rights when a key is created below it, only value writes
// through the handle itself. What does refuse, in both: creating a lasting key
// below a volatile one, and opening a key whose security denies writing.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdio>

#include "Registration.h"
#include "ServiceKit.h"
#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Strings.h"

using namespace svctest;
using cx::svc::GuidText;

namespace {

const char* const kSandbox = "Software\\CxSvcTest_MachineHive";

std::string ClassPath() { return "Software\\Classes\\CLSID\\" + GuidText(CLSID_ProgramList); }
std::string TypeLibPath() { return "Software\\Classes\\TypeLib\\" + GuidText(LIBID_DravikLib); }
std::string InterfacePath(REFIID iid) { return "Software\\Classes\\Interface\\" + GuidText(iid); }

// The keys the registration writes, with the module path where one is named.
void ExpectRegistered(HKEY hive, const std::string& modulePath) {
    const std::string libid = GuidText(LIBID_DravikLib);
    auto server = cx::reg::Key::Open(hive, ClassPath() + "\\InprocServer32");
    ASSERT_TRUE(server);
    EXPECT_TRUE(cx::EqualsNoCase(server->GetString("").value_or(""), modulePath));
    EXPECT_EQ(server->GetString("ThreadingModel"), "Apartment");
    EXPECT_EQ(DefaultValue(hive, ClassPath() + "\\TypeLib"), libid);
    EXPECT_TRUE(
        cx::EqualsNoCase(DefaultValue(hive, TypeLibPath() + "\\1.0\\0\\win32"), modulePath));
    EXPECT_EQ(DefaultValue(hive, TypeLibPath() + "\\1.0\\FLAGS"), "0");
    for (REFIID iid : {IID_IProgramList, IID_IProgramItem}) {
        EXPECT_EQ(DefaultValue(hive, InterfacePath(iid) + "\\ProxyStubClsid32"),
                  "{00020424-0000-0000-C000-000000000046}");
        EXPECT_EQ(DefaultValue(hive, InterfacePath(iid) + "\\TypeLib"), libid);
    }
    EXPECT_EQ(DefaultValue(hive, InterfacePath(IID_IProgramList)), "IProgramList");
}

void ExpectNotRegistered(HKEY hive) {
    for (const std::string& path : {ClassPath(), TypeLibPath(), InterfacePath(IID_IProgramList),
                                    InterfacePath(IID_IProgramItem)})
        EXPECT_FALSE(cx::reg::Key::Open(hive, path)) << path;
}

// HKEY_LOCAL_MACHINE means `to` in this process while the object lives.
class MachineHiveRedirect {
public:
    explicit MachineHiveRedirect(HKEY to) {
        EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, to), ERROR_SUCCESS);
    }
    ~MachineHiveRedirect() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); }
};

void SetKeyDacl(HKEY key, const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    LocalFree(sd);
}

void RemoveSandbox() {
    // A locked key left by an interrupted run is opened for its security only, then removed.
    HKEY locked = nullptr;
    std::string path = std::string(kSandbox) + "\\" + ClassPath();
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &locked) == ERROR_SUCCESS) {
        SetKeyDacl(locked, "D:(A;;KA;;;WD)");
        RegCloseKey(locked);
    }
    cx::reg::DeleteTree(HKEY_CURRENT_USER, kSandbox);
}

HRESULT TryCreate() {
    cx::ComPtr<IProgramList> list;
    return CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList,
                            list.put_void());
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { RemoveSandbox(); }
    void TearDown() override {
        RemoveSandbox();
        // The other tests create the server through the machine-wide registration.
        EXPECT_EQ(Dll().registerServer(), S_OK);
        EXPECT_TRUE(cx::svc::HasRegistration(HKEY_LOCAL_MACHINE));
    }
};

}  // namespace

TEST_F(Registration, MachineWideWhenTheMachineHiveCanBeWritten) {
    ASSERT_EQ(Dll().unregisterServer(), S_OK);
    ASSERT_EQ(Dll().registerServer(), S_OK);
    ExpectRegistered(HKEY_LOCAL_MACHINE, Dll().path);
    ExpectNotRegistered(HKEY_CURRENT_USER);
    // The program registers at every start: doing it again changes nothing.
    ASSERT_EQ(Dll().registerServer(), S_OK);
    ExpectRegistered(HKEY_LOCAL_MACHINE, Dll().path);
    EXPECT_EQ(TryCreate(), S_OK);
}

TEST_F(Registration, UnregisterRemovesItFromBothHives) {
    cx::svc::WriteRegistration(HKEY_CURRENT_USER, Dll().path);
    ASSERT_EQ(Dll().unregisterServer(), S_OK);
    ExpectNotRegistered(HKEY_LOCAL_MACHINE);
    ExpectNotRegistered(HKEY_CURRENT_USER);
    EXPECT_EQ(TryCreate(), REGDB_E_CLASSNOTREG);
    // Nothing left to remove is no failure.
    EXPECT_EQ(Dll().unregisterServer(), S_OK);
}

TEST_F(Registration, AMachineWideRegistrationRetiresAPerUserOne) {
    cx::svc::WriteRegistration(HKEY_CURRENT_USER, "C:\\old place\\Dravik.dll");
    ASSERT_EQ(Dll().registerServer(), S_OK);
    ExpectRegistered(HKEY_LOCAL_MACHINE, Dll().path);
    ExpectNotRegistered(HKEY_CURRENT_USER);
}

TEST_F(Registration, PerUserWhenTheMachineHiveRefusesNewKeys) {
    ASSERT_EQ(Dll().unregisterServer(), S_OK);
    HKEY sandbox = cx::test::CreateKeyPath(HKEY_CURRENT_USER, kSandbox, REG_OPTION_VOLATILE);
    ASSERT_TRUE(sandbox);
    cx::reg::Key owned(sandbox);
    HRESULT hr;
    {
        MachineHiveRedirect redirect(sandbox);
        hr = Dll().registerServer();
    }
    ASSERT_EQ(hr, S_OK);
    ExpectRegistered(HKEY_CURRENT_USER, Dll().path);
    ExpectNotRegistered(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(owned.SubKeyNames().empty());

    // What Wine's COM does with a registration that exists for the user only.
    HRESULT created = TryCreate();
    RecordProperty("cocreate_with_per_user_registration_only", cx::Format("0x%08lx", created));
    printf("CoCreateInstance with only a per-user registration: 0x%08lx\n",
           static_cast<unsigned long>(created));
    ASSERT_EQ(Dll().unregisterServer(), S_OK);
    ExpectNotRegistered(HKEY_CURRENT_USER);
}

TEST_F(Registration, PerUserWhenAnAdministratorsRegistrationCannotBeRewritten) {
    ASSERT_EQ(Dll().unregisterServer(), S_OK);
    const std::string adminPath = "C:\\Program Files\\Carvexo\\Dravik.dll";
    {
        cx::reg::Key sandbox = cx::reg::Key::Create(HKEY_CURRENT_USER, kSandbox);
        cx::reg::Key cls = cx::reg::Key::Create(sandbox.get(), ClassPath());
        cx::reg::Key::Create(cls.get(), "InprocServer32").SetString("", adminPath);
        // Everyone may read the class key and nobody may write to it or below it.
        SetKeyDacl(cls.get(), "D:(D;;0x6;;;WD)(A;;KA;;;WD)");
    }
    auto sandbox = cx::reg::Key::Open(HKEY_CURRENT_USER, kSandbox, KEY_READ);
    ASSERT_TRUE(sandbox);
    HRESULT hr;
    {
        MachineHiveRedirect redirect(sandbox->get());
        hr = Dll().registerServer();
    }
    ASSERT_EQ(hr, S_OK);
    ExpectRegistered(HKEY_CURRENT_USER, Dll().path);
    // The locked registration is untouched and nothing else was written beside it.
    EXPECT_EQ(DefaultValue(HKEY_CURRENT_USER,
                           std::string(kSandbox) + "\\" + ClassPath() + "\\InprocServer32"),
              adminPath);
    auto classes =
        cx::reg::Key::Open(HKEY_CURRENT_USER, std::string(kSandbox) + "\\Software\\Classes");
    ASSERT_TRUE(classes);
    EXPECT_EQ(classes->SubKeyNames(), std::vector<std::string>{"CLSID"});
}

TEST_F(Registration, FailsWhenNeitherHiveCanBeWritten) {
    HKEY sandbox = cx::test::CreateKeyPath(HKEY_CURRENT_USER, kSandbox, REG_OPTION_VOLATILE);
    ASSERT_TRUE(sandbox);
    cx::reg::Key owned(sandbox);
    HRESULT hr;
    {
        MachineHiveRedirect machine(sandbox);
        EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, sandbox), ERROR_SUCCESS);
        hr = Dll().registerServer();
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    }
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(owned.SubKeyNames().empty());
}
