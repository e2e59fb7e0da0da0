// The two COM objects. They are thin: the lists come from Enumerate.cpp, and
// each method only checks its arguments and converts its result. No exception
// may leave a method (the caller's frames are not ours to unwind), so every
// body runs inside Guarded().
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "Dravik_h.h"
#include "Enumerate.h"
#include "Module.h"
#include "platform/Strings.h"

namespace cx::svc {

namespace {

template <typename F>
HRESULT Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT PutText(const std::string& text, BSTR* out) {
    std::wstring wide = AnsiToWide(text);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A text getter: checks the out-pointer, then hands out what `get` returns.
template <typename F>
HRESULT TextResult(BSTR* out, F&& get) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] { return PutText(get(), out); });
}

template <typename T, typename F>
HRESULT ValueResult(T* out, F&& get) noexcept {
    if (!out) return E_POINTER;
    *out = T{};
    return Guarded([&] {
        *out = get();
        return S_OK;
    });
}

// IUnknown and IDispatch for one dual interface; IDispatch goes through the
// type library embedded in this DLL.
template <typename Itf>
class DispatchObject : public Itf {
public:
    explicit DispatchObject(const IID& iid) noexcept : iid_(iid) { ObjectCreated(); }
    virtual ~DispatchObject() {
        if (typeInfo_) typeInfo_->Release();
        ObjectDestroyed();
    }
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
            *ppv = static_cast<Itf*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        typeInfo_->AddRef();
        *info = typeInfo_;
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(typeInfo_, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<Itf*>(this), typeInfo_, id, flags, params, result, exception,
                          argError);
    }

private:
    // The vtable description of our interface: DispInvoke calls through it.
    HRESULT LoadTypeInfo() noexcept {
        if (typeInfo_) return S_OK;
        return Guarded([&] {
            ITypeLib* lib = nullptr;
            std::wstring path = AnsiToWide(ModulePath());
            // REGKIND_NONE: loading must not write the registry behind our back.
            HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
            if (FAILED(hr)) return hr;
            ITypeInfo* info = nullptr;
            hr = lib->GetTypeInfoOfGuid(iid_, &info);
            lib->Release();
            if (FAILED(hr)) return hr;
            TYPEATTR* attr = nullptr;
            bool dispatchSide = false;
            if (SUCCEEDED(info->GetTypeAttr(&attr))) {
                dispatchSide = attr->typekind == TKIND_DISPATCH;
                info->ReleaseTypeAttr(attr);
            }
            if (dispatchSide) {
                HREFTYPE ref = 0;
                ITypeInfo* vtable = nullptr;
                if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                    SUCCEEDED(info->GetRefTypeInfo(ref, &vtable))) {
                    info->Release();
                    info = vtable;
                }
            }
            typeInfo_ = info;
            return S_OK;
        });
    }

    volatile LONG refs_ = 1;
    const IID iid_;
    ITypeInfo* typeInfo_ = nullptr;
};

// The icons of one listing, looked up when a caller first asks for them and
// kept for the items that listing hands out, even after a refresh replaced it.
struct IconBook {
    explicit IconBook(size_t programs) : byIndex(programs, kNotLookedUp) {}
    static constexpr long kNotLookedUp = -1;
    IconCache cache;
    std::vector<long> byIndex;
};

class ProgramItemObject final : public DispatchObject<IProgramItem> {
public:
    ProgramItemObject(ProgramRecord record, std::shared_ptr<IconBook> icons, size_t index)
        : DispatchObject(IID_IProgramItem),
          rec_(std::move(record)),
          icons_(std::move(icons)),
          index_(index) {}

    STDMETHODIMP DisplayName(BSTR* v) override {
        return TextResult(v, [&] { return rec_.displayName; });
    }
    STDMETHODIMP UninstallString(BSTR* v) override {
        return TextResult(v, [&] { return rec_.uninstallString; });
    }
    STDMETHODIMP RegistryName(BSTR* v) override {
        return TextResult(v, [&] { return rec_.registryName; });
    }
    STDMETHODIMP LoadDetails(BSTR keyName) override {
        return Guarded([&] {
            details_ = ReadRenderedValues(rec_.hive, BstrToAnsi(keyName));
            detailsKey_ = BstrToAnsi(keyName);
            return S_OK;
        });
    }
    STDMETHODIMP Kind(LONG* v) override {
        return ValueResult(v, [&] { return rec_.kind; });
    }
    STDMETHODIMP Publisher(BSTR* v) override {
        return TextResult(v, [&] { return rec_.publisher; });
    }
    STDMETHODIMP InstallLocation(BSTR* v) override {
        return TextResult(v, [&] { return rec_.installLocation; });
    }
    STDMETHODIMP IconIndex(LONG* v) override {
        return ValueResult(v, [&] {
            long& icon = icons_->byIndex.at(index_);
            if (icon == IconBook::kNotLookedUp) icon = ProgramIcon(rec_, icons_->cache);
            return icon;
        });
    }
    STDMETHODIMP UsedFrequency(ULONG* v) override {
        return ValueResult(v, [&] { return static_cast<ULONG>(rec_.usedFrequency); });
    }
    STDMETHODIMP LastUsed(BSTR* v) override {
        return TextResult(v, [&] { return rec_.lastUsed; });
    }
    STDMETHODIMP Size(float* v) override {
        return ValueResult(v, [&] { return rec_.size; });
    }
    STDMETHODIMP InstallDate(BSTR* v) override {
        return TextResult(v, [&] { return rec_.installDate; });
    }
    STDMETHODIMP Version(BSTR* v) override {
        return TextResult(v, [&] { return rec_.version; });
    }
    STDMETHODIMP HelpLink(BSTR* v) override {
        return TextResult(v, [&] { return rec_.helpLink; });
    }
    STDMETHODIMP AboutLink(BSTR* v) override {
        return TextResult(v, [&] { return rec_.aboutLink; });
    }
    STDMETHODIMP UpdateLink(BSTR* v) override {
        return TextResult(v, [&] { return rec_.updateLink; });
    }
    STDMETHODIMP RegistryValueCount(LONG* v) override {
        return ValueResult(v, [&] { return static_cast<LONG>(Details().size()); });
    }
    STDMETHODIMP RegistryValueName(LONG index, BSTR* v) override {
        return DetailText(index, v, [](const auto& row) { return row.first; });
    }
    STDMETHODIMP RegistryValueData(LONG index, BSTR* v) override {
        return DetailText(index, v, [](const auto& row) { return row.second; });
    }
    STDMETHODIMP SetComment(BSTR text) override {
        return Guarded([&] {
            LONG rc = WriteComment(rec_.hive, rec_.registryName, BstrToAnsi(text));
            if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
            // Details already read would show the old comment.
            if (details_) details_ = ReadRenderedValues(rec_.hive, detailsKey_);
            return S_OK;
        });
    }

    STDMETHODIMP Hive(BSTR* v) override {
        return TextResult(v, [&] {
            return std::string(rec_.hive == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER"
                                                              : "HKEY_LOCAL_MACHINE");
        });
    }

private:
    // Details not asked for yet are those of the item's own key.
    const std::vector<std::pair<std::string, std::string>>& Details() {
        if (!details_) {
            details_ = ReadRenderedValues(rec_.hive, rec_.registryName);
            detailsKey_ = rec_.registryName;
        }
        return *details_;
    }
    template <typename F>
    HRESULT DetailText(LONG index, BSTR* out, F&& pick) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        return Guarded([&] {
            const auto& rows = Details();
            if (index < 0 || static_cast<size_t>(index) >= rows.size()) return E_INVALIDARG;
            return PutText(pick(rows[static_cast<size_t>(index)]), out);
        });
    }

    ProgramRecord rec_;
    std::shared_ptr<IconBook> icons_;
    size_t index_;
    std::optional<std::vector<std::pair<std::string, std::string>>> details_;
    std::string detailsKey_;
};

class ProgramListObject final : public DispatchObject<IProgramList> {
public:
    ProgramListObject() : DispatchObject(IID_IProgramList) {}

    STDMETHODIMP GetProgram(LONG index, IProgramItem** v) override {
        if (!v) return E_POINTER;
        *v = nullptr;
        return Guarded([&] {
            const auto& list = Programs();
            // Past the end is "no program", which ends a caller's loop quietly.
            if (index < 0 || static_cast<size_t>(index) >= list.size()) return S_OK;
            *v = new ProgramItemObject(list[static_cast<size_t>(index)], icons_,
                                       static_cast<size_t>(index));
            return S_OK;
        });
    }
    STDMETHODIMP ProgramCount(ULONG* v) override {
        return ValueResult(v, [&] { return static_cast<ULONG>(Programs().size()); });
    }
    STDMETHODIMP ScreenSaverCount(ULONG* v) override {
        return ValueResult(v, [&] { return static_cast<ULONG>(Savers().size()); });
    }
    STDMETHODIMP ScreenSaverFile(LONG i, BSTR* v) override {
        return SaverText(i, v, [](const ScreenSaverRecord& r) { return r.file; });
    }
    STDMETHODIMP ScreenSaverPublisher(LONG i, BSTR* v) override {
        return SaverText(i, v, [](const ScreenSaverRecord& r) { return r.publisher; });
    }
    STDMETHODIMP ScreenSaverFolder(LONG i, BSTR* v) override {
        return SaverText(i, v, [](const ScreenSaverRecord& r) { return r.folder; });
    }
    STDMETHODIMP ScreenSaverTitle(LONG i, BSTR* v) override {
        return SaverText(i, v, [](const ScreenSaverRecord& r) { return r.title; });
    }
    STDMETHODIMP ScreenSaverLastUsed(LONG i, BSTR* v) override {
        return SaverText(i, v, [](const ScreenSaverRecord& r) { return r.lastUsed; });
    }
    STDMETHODIMP ScreenSaverIcon(LONG i, LONG* v) override {
        return SaverValue(i, v, [](const ScreenSaverRecord& r) { return r.icon; });
    }
    STDMETHODIMP ScreenSaverSize(LONG i, ULONG* v) override {
        return SaverValue(i, v,
                          [](const ScreenSaverRecord& r) { return static_cast<ULONG>(r.size); });
    }
    STDMETHODIMP RefreshPrograms() override {
        return Guarded([&] {
            SetPrograms(EnumeratePrograms());
            return S_OK;
        });
    }
    STDMETHODIMP RefreshScreenSavers() override {
        return Guarded([&] {
            savers_ = EnumerateScreenSavers();
            return S_OK;
        });
    }

private:
    // A fresh object lists on first use, so a caller that never refreshes still sees the machine.
    const std::vector<ProgramRecord>& Programs() {
        if (!programs_) SetPrograms(EnumeratePrograms());
        return *programs_;
    }
    void SetPrograms(std::vector<ProgramRecord> programs) {
        auto icons = std::make_shared<IconBook>(programs.size());
        programs_ = std::move(programs);
        icons_ = std::move(icons);
    }
    const std::vector<ScreenSaverRecord>& Savers() {
        if (!savers_) savers_ = EnumerateScreenSavers();
        return *savers_;
    }
    const ScreenSaverRecord* Saver(LONG i) {
        const auto& list = Savers();
        return i >= 0 && static_cast<size_t>(i) < list.size() ? &list[static_cast<size_t>(i)]
                                                              : nullptr;
    }
    template <typename F>
    HRESULT SaverText(LONG i, BSTR* out, F&& pick) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        return Guarded([&] {
            const ScreenSaverRecord* r = Saver(i);
            return r ? PutText(pick(*r), out) : E_INVALIDARG;
        });
    }
    template <typename T, typename F>
    HRESULT SaverValue(LONG i, T* out, F&& pick) noexcept {
        if (!out) return E_POINTER;
        *out = T{};
        return Guarded([&] {
            const ScreenSaverRecord* r = Saver(i);
            if (!r) return E_INVALIDARG;
            *out = pick(*r);
            return S_OK;
        });
    }

    std::optional<std::vector<ProgramRecord>> programs_;
    std::shared_ptr<IconBook> icons_;
    std::optional<std::vector<ScreenSaverRecord>> savers_;
};

}  // namespace

HRESULT CreateProgramList(REFIID riid, void** ppv) noexcept {
    return Guarded([&] {
        auto* object = new ProgramListObject();
        HRESULT hr = object->QueryInterface(riid, ppv);
        // Drops the creation reference: the object lives on only if QueryInterface gave one out.
        object->Release();
        return hr;
    });
}

}  // namespace cx::svc
