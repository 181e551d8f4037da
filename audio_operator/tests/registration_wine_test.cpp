// Audevop.dll as an in-process server: what regsvr32 writes and removes, DllCanUnloadNow, the
// class factory and what the object says about itself.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>

#include <string>

#include "audio_operator/tests/operator_client.h"
#include "common/testing/wine_testing.h"
#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "common/win32/proc_address.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"

namespace tl::audio_operator::testing {
namespace {

using win32::ComPtr;

constexpr wchar_t kTypeLibraryMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

std::wstring Text(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

std::optional<std::wstring> ClassesValue(const std::wstring& key, const wchar_t* name = nullptr) {
  return win32::ReadRegString(HKEY_CLASSES_ROOT, key.c_str(), name);
}

bool ClassesKeyExists(const std::wstring& key) {
  win32::UniqueHKey opened;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

bool SamePath(std::wstring registered, const std::wstring& expected) {
  // Wine registers type-library paths in their long form.
  if (registered.rfind(L"\\\\?\\", 0) == 0) registered.erase(0, 4);
  return ::lstrcmpiW(registered.c_str(), expected.c_str()) == 0;
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(apartment.ok()); }
  win32::ComApartment apartment;
};

TEST_F(Registry, Regsvr32WritesTheClassProgIdsAndTypeLibraryAndRemovesThem) {
  const std::wstring classKey = L"CLSID\\" + Text(CLSID_AudioDeviceOperator);
  const std::wstring libraryKey = L"TypeLib\\" + Text(LIBID_AudevopLib) + L"\\1.0";
  const std::wstring interfaceKey = L"Interface\\" + Text(IID_IAudioDeviceOperator);
  const std::wstring eventsKey = L"Interface\\" + Text(DIID__IAudioDeviceOperatorEvents);
  ASSERT_EQ(RunRegsvr32(false), 0u);

  EXPECT_EQ(ClassesValue(classKey), L"Audevop audio device operator");
  const auto server = ClassesValue(classKey + L"\\InprocServer32");
  ASSERT_TRUE(server);
  EXPECT_TRUE(SamePath(*server, InstalledDll())) << win32::Narrow(*server);
  EXPECT_EQ(ClassesValue(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ClassesValue(classKey + L"\\ProgID"), L"Audevop.AudioDeviceOperator.1");
  EXPECT_EQ(ClassesValue(classKey + L"\\VersionIndependentProgID"), L"Audevop.AudioDeviceOperator");
  EXPECT_EQ(ClassesValue(classKey + L"\\TypeLib"), Text(LIBID_AudevopLib));
  EXPECT_EQ(ClassesValue(L"Audevop.AudioDeviceOperator\\CLSID"), Text(CLSID_AudioDeviceOperator));
  EXPECT_EQ(ClassesValue(L"Audevop.AudioDeviceOperator\\CurVer"), L"Audevop.AudioDeviceOperator.1");
  EXPECT_EQ(ClassesValue(L"Audevop.AudioDeviceOperator.1\\CLSID"), Text(CLSID_AudioDeviceOperator));

  const auto library = ClassesValue(libraryKey + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32"));
  ASSERT_TRUE(library);
  EXPECT_TRUE(SamePath(*library, InstalledDll())) << win32::Narrow(*library);
  // The dual interface is marshalled by the type library (scripts and other apartments).
  EXPECT_EQ(ClassesValue(interfaceKey + L"\\ProxyStubClsid32"), kTypeLibraryMarshaler);
  EXPECT_EQ(ClassesValue(interfaceKey + L"\\TypeLib"), Text(LIBID_AudevopLib));

  CLSID fromProgId{};
  EXPECT_EQ(::CLSIDFromProgID(L"Audevop.AudioDeviceOperator", &fromProgId), S_OK);
  EXPECT_EQ(fromProgId, CLSID_AudioDeviceOperator);
  ComPtr<IAudioDeviceOperator> object;
  EXPECT_EQ(::CoCreateInstance(CLSID_AudioDeviceOperator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)), S_OK);
  object.Reset();
  ::CoFreeUnusedLibrariesEx(0, 0);

  ASSERT_EQ(RunRegsvr32(true), 0u);
  for (const std::wstring& key : {classKey, libraryKey, interfaceKey, eventsKey, std::wstring(L"Audevop.AudioDeviceOperator"),
                                  std::wstring(L"Audevop.AudioDeviceOperator.1")})
    EXPECT_FALSE(ClassesKeyExists(key)) << win32::Narrow(key);
  EXPECT_EQ(::CoCreateInstance(CLSID_AudioDeviceOperator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(RunRegsvr32(true), 0u) << "unregistering twice is no failure";
}

TEST_F(Registry, UnregisteringLeavesAProgIdThatAnotherClassTookOver) {
  ASSERT_EQ(RunRegsvr32(false), 0u);
  const std::wstring other = L"{5D2A8C3E-0000-4000-8000-00000000A0D1}";
  ASSERT_TRUE(win32::WriteRegString(HKEY_CLASSES_ROOT, L"Audevop.AudioDeviceOperator\\CLSID", nullptr, other));
  EXPECT_EQ(RunRegsvr32(true), 0u);
  EXPECT_EQ(ClassesValue(L"Audevop.AudioDeviceOperator\\CLSID"), other);
  EXPECT_FALSE(ClassesKeyExists(L"Audevop.AudioDeviceOperator.1"));
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Audevop.AudioDeviceOperator");
}

// The DLL loaded directly, as COM loads it, without registration.
class Server : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    module.reset(::LoadLibraryW(InstalledDll().c_str()));
    ASSERT_TRUE(module);
    getClassObject = win32::ProcAddress<decltype(getClassObject)>(module.get(), "DllGetClassObject");
    canUnloadNow = win32::ProcAddress<decltype(canUnloadNow)>(module.get(), "DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnloadNow);
    ASSERT_TRUE(::GetProcAddress(module.get(), "DllRegisterServer"));
    ASSERT_TRUE(::GetProcAddress(module.get(), "DllUnregisterServer"));
  }

  ComPtr<IClassFactory> Factory() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(CLSID_AudioDeviceOperator, IID_IClassFactory,
                             reinterpret_cast<void**>(factory.GetAddressOf())),
              S_OK);
    return factory;
  }

  win32::ComApartment apartment;
  win32::UniqueModule module;
  HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
};

TEST_F(Server, CanUnloadOnlyWithoutLiveObjectsOrLocks) {
  EXPECT_EQ(canUnloadNow(), S_OK);
  ComPtr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the factory is alive";
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "a lock holds the server";
  factory = Factory();
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK) << "an extra unlock is harmless";

  ComPtr<IAudioDeviceOperator> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";
  // Objects the operator hands out keep the server too.
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(object.As(&container), S_OK);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  container.Reset();
  object.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "an enumerator of the operator is alive";
  points.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Server, TheFactoryServesOnlyItsClass) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID_IAudioDeviceOperator, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(CLSID_AudioDeviceOperator, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(getClassObject(CLSID_AudioDeviceOperator, IID_IClassFactory, nullptr), E_POINTER);
  ComPtr<IClassFactory> factory = Factory();
  ComPtr<IUnknown> outer;
  ASSERT_EQ(factory.As(&outer), S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_PPV_ARGS(&aggregated)), CLASS_E_NOAGGREGATION);
  ComPtr<IClassFactory> notOffered;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&notOffered)), E_NOINTERFACE);
}

TEST_F(Server, TheObjectDescribesItselfThroughItsTypeLibrary) {
  ComPtr<IAudioDeviceOperator> object;
  ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);

  ComPtr<IProvideClassInfo2> classInfo;
  ASSERT_EQ(object.As(&classInfo), S_OK);
  GUID events{};
  EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_EQ(events, DIID__IAudioDeviceOperatorEvents);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(&coclass), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, CLSID_AudioDeviceOperator);
  EXPECT_EQ(attributes->cImplTypes, 2);
  coclass->ReleaseTypeAttr(attributes);

  // Late binding by name, as a script host does it.
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(object.As(&dispatch), S_OK);
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"SetApplicationDefaultDevice");
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 8);
  name = const_cast<LPOLESTR>(L"SelfDestruct");
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

  ComPtr<ISupportErrorInfo> errors;
  ASSERT_EQ(object.As(&errors), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IAudioDeviceOperator), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IConnectionPointContainer), S_FALSE);
}

}  // namespace
}  // namespace tl::audio_operator::testing
