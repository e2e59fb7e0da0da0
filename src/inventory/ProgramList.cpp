#include "inventory/ProgramList.h"

#include <oleauto.h>

#include "platform/Error.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx {

void CheckService(HRESULT hr, const char* method) {
    if (SUCCEEDED(hr)) return;
    throw AppError(Format("Inventory service (%s): %s", method,
                          SysErrorMessage(static_cast<DWORD>(hr)).c_str()));
}

void RegisterInventoryService(const char* libraryName) {
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    unique_hmodule lib(LoadLibraryA(libraryName));
    DWORD loadError = GetLastError();
    SetErrorMode(oldMode);
    if (!lib) throw AppError(Format("%s: %s", SysErrorMessage(loadError).c_str(), libraryName));

    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<RegisterFn>(GetProcAddress(lib.get(), "DllRegisterServer"));
    if (!reg) ThrowLastError();
    ThrowIfFailed(reg());
}

namespace {

template <typename Call>
std::string Text(Call call, const char* method) {
    unique_bstr value;
    CheckService(call(value.put()), method);
    return BstrToAnsi(value.get());
}

template <typename T, typename Call>
T Value(Call call, const char* method) {
    T value{};
    CheckService(call(&value), method);
    return value;
}

}  // namespace

#define CX_ITEM_TEXT(Name)                                               \
    std::string ProgramItem::Name() const {                              \
        return Text([&](BSTR* out) { return item_->Name(out); }, #Name); \
    }
#define CX_ITEM_VALUE(Type, Name)                                               \
    Type ProgramItem::Name() const {                                            \
        return Value<Type>([&](Type* out) { return item_->Name(out); }, #Name); \
    }

CX_ITEM_TEXT(DisplayName)
CX_ITEM_TEXT(UninstallString)
CX_ITEM_TEXT(RegistryName)
CX_ITEM_VALUE(long, Kind)
CX_ITEM_TEXT(Publisher)
CX_ITEM_TEXT(InstallLocation)
CX_ITEM_VALUE(long, IconIndex)
CX_ITEM_VALUE(unsigned long, UsedFrequency)
CX_ITEM_TEXT(LastUsed)
CX_ITEM_VALUE(float, Size)
CX_ITEM_TEXT(InstallDate)
CX_ITEM_TEXT(Version)
CX_ITEM_TEXT(HelpLink)
CX_ITEM_TEXT(AboutLink)
CX_ITEM_TEXT(UpdateLink)
CX_ITEM_VALUE(long, RegistryValueCount)
CX_ITEM_TEXT(Hive)

#undef CX_ITEM_TEXT
#undef CX_ITEM_VALUE

void ProgramItem::LoadDetails(const std::string& keyName) const {
    unique_bstr key(SysAllocString(AnsiToWide(keyName).c_str()));
    CheckService(item_->LoadDetails(key.get()), "LoadDetails");
}

std::string ProgramItem::RegistryValueName(long index) const {
    return Text([&](BSTR* out) { return item_->RegistryValueName(index, out); },
                "RegistryValueName");
}

std::string ProgramItem::RegistryValueData(long index) const {
    return Text([&](BSTR* out) { return item_->RegistryValueData(index, out); },
                "RegistryValueData");
}

void ProgramItem::SetComment(const std::string& text) const {
    unique_bstr value(SysAllocString(AnsiToWide(text).c_str()));
    CheckService(item_->SetComment(value.get()), "SetComment");
}

void TProgramList::Connect() {
    if (list_) return;
    ComPtr<IUnknown> running;
    if (SUCCEEDED(GetActiveObject(CLSID_ProgramList, nullptr, running.put())) && running) {
        if (SUCCEEDED(running->QueryInterface(IID_IProgramList, list_.put_void()))) return;
    }
    CheckService(
        CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IProgramList, list_.put_void()),
        "connect");
}

void TProgramList::Disconnect() noexcept { list_.reset(); }

IProgramList* TProgramList::Service() {
    Connect();
    return list_.get();
}

std::optional<ProgramItem> TProgramList::GetProgram(long index) {
    ComPtr<IProgramItem> item;
    CheckService(Service()->GetProgram(index, item.put()), "GetProgram");
    if (!item) return std::nullopt;
    return ProgramItem(std::move(item));
}

unsigned long TProgramList::ProgramCount() {
    return Value<unsigned long>([&](unsigned long* out) { return Service()->ProgramCount(out); },
                                "ProgramCount");
}

unsigned long TProgramList::ScreenSaverCount() {
    return Value<unsigned long>(
        [&](unsigned long* out) { return Service()->ScreenSaverCount(out); }, "ScreenSaverCount");
}

#define CX_SCR_TEXT(Name)                                                           \
    std::string TProgramList::Name(long index) {                                    \
        return Text([&](BSTR* out) { return Service()->Name(index, out); }, #Name); \
    }
CX_SCR_TEXT(ScreenSaverFile)
CX_SCR_TEXT(ScreenSaverPublisher)
CX_SCR_TEXT(ScreenSaverFolder)
CX_SCR_TEXT(ScreenSaverTitle)
CX_SCR_TEXT(ScreenSaverLastUsed)
#undef CX_SCR_TEXT

long TProgramList::ScreenSaverIcon(long index) {
    return Value<long>([&](long* out) { return Service()->ScreenSaverIcon(index, out); },
                       "ScreenSaverIcon");
}

unsigned long TProgramList::ScreenSaverSize(long index) {
    return Value<unsigned long>(
        [&](unsigned long* out) { return Service()->ScreenSaverSize(index, out); },
        "ScreenSaverSize");
}

void TProgramList::RefreshPrograms() {
    CheckService(Service()->RefreshPrograms(), "RefreshPrograms");
}

void TProgramList::RefreshScreenSavers() {
    CheckService(Service()->RefreshScreenSavers(), "RefreshScreenSavers");
}

}  // namespace cx
