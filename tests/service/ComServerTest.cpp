// The server as a COM client sees it: creation, interfaces, the class factory's
// rules, unloading, and calls by name through IDispatch.
#include <gtest/gtest.h>

#include "ServiceKit.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

using namespace svctest;

namespace {

class ComServer : public ::testing::Test {
protected:
    void TearDown() override { RemoveLeftovers(); }
};

DISPID IdOf(IDispatch* d, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
}

// Calls a method or reads a property by name; `args` go in reverse order, as IDispatch wants.
HRESULT CallByName(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()),
                      0};
    VariantInit(result);
    UINT argError = 0;
    return d->Invoke(IdOf(d, name), IID_NULL, LOCALE_USER_DEFAULT,
                     DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, nullptr, &argError);
}

VARIANT Long(LONG v) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_I4;
    var.lVal = v;
    return var;
}

}  // namespace

TEST_F(ComServer, AnswersItsInterfacesOnly) {
    auto list = NewList();
    ASSERT_TRUE(list);
    cx::ComPtr<IUnknown> unknown;
    cx::ComPtr<IDispatch> dispatch;
    cx::ComPtr<IProgramList> again;
    EXPECT_EQ(list->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_EQ(list->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    EXPECT_EQ(list->QueryInterface(IID_IProgramList, again.put_void()), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(list->QueryInterface(IID_IProgramItem, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(list->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);

    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_Interfaces");
    e.Text("DisplayName", "Interfaces");
    ASSERT_EQ(list->RefreshPrograms(), S_OK);
    auto item = OnlyProgram(list.get(), "CxSvcTest_Interfaces");
    ASSERT_TRUE(item);
    cx::ComPtr<IDispatch> itemDispatch;
    EXPECT_EQ(item->QueryInterface(IID_IDispatch, itemDispatch.put_void()), S_OK);
    EXPECT_EQ(item->QueryInterface(IID_IProgramList, &none), E_NOINTERFACE);
}

TEST_F(ComServer, TheFactoryRefusesAggregationAndUnknownInterfaces) {
    cx::ComPtr<IClassFactory> factory;
    ASSERT_EQ(Dll().getClassObject(CLSID_ProgramList, IID_IClassFactory, factory.put_void()), S_OK);
    void* p = reinterpret_cast<void*>(1);
    IUnknown* fakeOuter = factory.get();  // any non-null outer asks for aggregation
    EXPECT_EQ(factory->CreateInstance(fakeOuter, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    factory.reset();
    // The refused object was deleted: nothing keeps the DLL.
    EXPECT_EQ(Dll().canUnloadNow(), S_OK);

    GUID other = CLSID_ProgramList;
    other.Data1 ^= 1;
    EXPECT_EQ(Dll().getClassObject(other, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
}

TEST_F(ComServer, UnloadsOnlyWithoutObjectsAndLocks) {
    EXPECT_EQ(Dll().canUnloadNow(), S_OK);
    {
        auto list = NewList();
        EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
        cx::ComPtr<IProgramItem> item;
        ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_Unload");
        e.Text("DisplayName", "Unload");
        item = OnlyProgram(list.get(), "CxSvcTest_Unload");
        list.reset();
        // An item outlives its list and still holds the DLL.
        EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
        EXPECT_EQ(Get(item.get(), &IProgramItem::DisplayName), "Unload");
    }
    EXPECT_EQ(Dll().canUnloadNow(), S_OK);
    cx::ComPtr<IClassFactory> factory;
    ASSERT_EQ(Dll().getClassObject(CLSID_ProgramList, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
    ASSERT_EQ(Dll().getClassObject(CLSID_ProgramList, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(Dll().canUnloadNow(), S_OK);
}

TEST_F(ComServer, CallsByNameThroughTheTypeLibrary) {
    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_ByName");
    e.Text("DisplayName", "Called by name").Dword("EstimatedSize", 3);
    auto list = NewList();
    ASSERT_EQ(list->RefreshPrograms(), S_OK);
    long index = FindPrograms(list.get(), "CxSvcTest_ByName").at(0).index;

    cx::ComPtr<IDispatch> d;
    ASSERT_EQ(list->QueryInterface(IID_IDispatch, d.put_void()), S_OK);
    UINT infoCount = 0;
    EXPECT_EQ(d->GetTypeInfoCount(&infoCount), S_OK);
    EXPECT_EQ(infoCount, 1u);
    cx::ComPtr<ITypeInfo> info;
    EXPECT_EQ(d->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    EXPECT_EQ(d->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.put()), DISP_E_BADINDEX);

    VARIANT count;
    ASSERT_EQ(CallByName(d.get(), L"ProgramCount", {}, &count), S_OK);
    ULONG viaVtable = 0;
    ASSERT_EQ(list->ProgramCount(&viaVtable), S_OK);
    ASSERT_EQ(count.vt, VT_UI4);
    EXPECT_EQ(count.ulVal, viaVtable);

    VARIANT program;
    ASSERT_EQ(CallByName(d.get(), L"GetProgram", {Long(index)}, &program), S_OK);
    ASSERT_EQ(program.vt, VT_DISPATCH);
    ASSERT_NE(program.pdispVal, nullptr);
    cx::ComPtr<IDispatch> item = cx::ComPtr<IDispatch>::Attach(program.pdispVal);

    VARIANT name;
    ASSERT_EQ(CallByName(item.get(), L"DisplayName", {}, &name), S_OK);
    ASSERT_EQ(name.vt, VT_BSTR);
    EXPECT_EQ(cx::BstrToAnsi(name.bstrVal), "Called by name");
    VariantClear(&name);
    VARIANT size;
    ASSERT_EQ(CallByName(item.get(), L"Size", {}, &size), S_OK);
    ASSERT_EQ(size.vt, VT_R4);
    EXPECT_EQ(size.fltVal, 3072.0f);

    VARIANT none;
    ASSERT_EQ(CallByName(d.get(), L"GetProgram", {Long(static_cast<LONG>(viaVtable))}, &none),
              S_OK);
    EXPECT_EQ(none.vt, VT_DISPATCH);
    EXPECT_EQ(none.pdispVal, nullptr);

    // A failure code of the method reaches the caller as a failure.
    VARIANT badSaver;
    EXPECT_TRUE(FAILED(CallByName(d.get(), L"ScreenSaverFile", {Long(-1)}, &badSaver)));
    VariantClear(&badSaver);

    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMethod")};
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}
