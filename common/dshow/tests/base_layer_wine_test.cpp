// The generic pieces of the DirectShow base layer in Wine's filter graph: media types, pins and
// their connection protocol, enumerators, allocators, the class factory and registration.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

#include "common/dshow/tests/test_source.h"
#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/media_type.h"
#include "common/dshow/win32/module_count.h"
#include "common/dshow/win32/pins.h"
#include "common/dshow/win32/server.h"
#include "common/win32/com.h"
#include "common/win32/registry.h"

namespace tl::dshow {
namespace {

using testing::CreateTestSource;
using testing::SourceSpec;
using testing::VideoType;
using win32::ComPtr;

constexpr CLSID kSinkClass = {0x1c5a2e44, 0x8b71, 0x4f0e, {0xa3, 0x2d, 0x55, 0x0c, 0x91, 0x7e, 0x6b, 0x20}};

// Records the frames it receives; accepts one subtype; ends the stream with EC_COMPLETE.
class TestSink final : public BaseFilter, public IAMFilterMiscFlags {
 public:
  explicit TestSink(GUID subtype) : BaseFilter(kSinkClass), pin_(*this, subtype) {}
  TL_DSHOW_UNKNOWN_FROM(BaseFilter)
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  int PinCount() override { return 1; }
  BasePin* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  struct Frame {
    std::vector<uint8_t> bytes;
    REFERENCE_TIME start;
  };
  std::vector<Frame> frames() {
    std::lock_guard guard(framesLock_);
    return frames_;
  }

 protected:
  void Destroy() override { delete this; }
  void* FindInterface(REFIID iid) override {
    return iid == IID_IAMFilterMiscFlags ? static_cast<IAMFilterMiscFlags*>(this) : nullptr;
  }

 private:
  class Pin final : public InputPin {
   public:
    Pin(TestSink& sink, GUID subtype) : InputPin(sink, L"In"), sink_(sink), subtype_(subtype) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
      return type.majortype == MEDIATYPE_Video && type.subtype == subtype_ ? S_OK : S_FALSE;
    }
    STDMETHODIMP Receive(IMediaSample* sample) override {
      const HRESULT hr = InputPin::Receive(sample);
      if (hr != S_OK) return hr;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      Frame frame{std::vector<uint8_t>(data, data + sample->GetActualDataLength()), -1};
      REFERENCE_TIME stop;
      sample->GetTime(&frame.start, &stop);
      std::lock_guard guard(sink_.framesLock_);
      sink_.frames_.push_back(std::move(frame));
      return S_OK;
    }
    STDMETHODIMP EndOfStream() override {
      return sink_.NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(&sink_)));
    }

   private:
    TestSink& sink_;
    GUID subtype_;
  };

  Pin pin_;
  std::mutex framesLock_;
  std::vector<Frame> frames_;
};

ComPtr<IBaseFilter> MakeSink(GUID subtype, TestSink** raw = nullptr) {
  auto* sink = new TestSink(subtype);
  if (raw) *raw = sink;
  return win32::AdoptComPtr<IBaseFilter>(sink);
}

ComPtr<IPin> FirstPin(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  ComPtr<IPin> pin;
  if (SUCCEEDED(filter->EnumPins(&pins))) pins->Next(1, &pin, nullptr);
  return pin;
}

SourceSpec Rgb32Source(int frames) {
  SourceSpec spec;
  spec.type = VideoType(MEDIASUBTYPE_RGB32, 32, 16, 32);
  spec.frames = frames;
  spec.frameBytes = 32 * 16 * 4;
  spec.fill = [](int index, uint8_t* data) {
    for (int i = 0; i < 32 * 16 * 4; ++i) data[i] = static_cast<uint8_t>(index * 7 + i);
  };
  return spec;
}

class BaseLayer : public ::testing::Test {
 protected:
  win32::ComApartment apartment_{COINIT_MULTITHREADED};
};

TEST_F(BaseLayer, MediaTypesCopyDeeplyAndMatchPartially) {
  MediaType a = VideoType(MEDIASUBTYPE_RGB32, 640, 480, 32);
  MediaType b = a;
  ASSERT_EQ(b.format().size(), sizeof(VIDEOINFOHEADER));
  EXPECT_NE(a.format().data(), b.format().data());
  EXPECT_TRUE(SameMediaType(a.get(), b.get()));
  b.mutableFormat()[0] ^= 1;
  EXPECT_FALSE(SameMediaType(a.get(), b.get()));

  AM_MEDIA_TYPE partial{};
  EXPECT_TRUE(MatchesPartialType(a.get(), partial));
  partial.majortype = MEDIATYPE_Video;
  partial.subtype = MEDIASUBTYPE_RGB32;
  EXPECT_TRUE(MatchesPartialType(a.get(), partial));
  partial.subtype = MEDIASUBTYPE_YUY2;
  EXPECT_FALSE(MatchesPartialType(a.get(), partial));

  AM_MEDIA_TYPE* copy = CreateTaskMemMediaType(a.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(SameMediaType(*copy, a.get()));
  DeleteTaskMemMediaType(copy);
  DeleteTaskMemMediaType(nullptr);

  MediaType moved = std::move(a);
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(moved.format().size(), sizeof(VIDEOINFOHEADER));
}

TEST_F(BaseLayer, EnumeratorsWalkPinsAndTypes) {
  ComPtr<IBaseFilter> source = CreateTestSource(Rgb32Source(1));
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(source->EnumPins(&pins), S_OK);
  IPin* got[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  PIN_INFO info{};
  got[0]->QueryPinInfo(&info);
  EXPECT_STREQ(info.achName, L"Output");
  EXPECT_EQ(info.dir, PINDIR_OUTPUT);
  EXPECT_EQ(info.pFilter, source.Get());
  info.pFilter->Release();
  EXPECT_EQ(pins->Skip(1), S_FALSE);
  EXPECT_EQ(pins->Reset(), S_OK);
  ComPtr<IEnumPins> clone;
  ASSERT_EQ(pins->Clone(&clone), S_OK);
  ComPtr<IPin> again;
  EXPECT_EQ(clone->Next(1, &again, nullptr), S_OK);
  EXPECT_EQ(again.Get(), got[0]);

  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(got[0]->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(types->Next(1, &type, nullptr), S_OK);
  EXPECT_EQ(type->subtype, MEDIASUBTYPE_RGB32);
  DeleteTaskMemMediaType(type);
  EXPECT_EQ(types->Next(1, &type, nullptr), S_FALSE);
  got[0]->Release();

  ComPtr<IPin> found;
  EXPECT_EQ(source->FindPin(L"Output", &found), S_OK);
  EXPECT_EQ(source->FindPin(L"Input", &found), VFW_E_NOT_FOUND);
}

TEST_F(BaseLayer, ConnectionProtocol) {
  ComPtr<IBaseFilter> source = CreateTestSource(Rgb32Source(1));
  ComPtr<IBaseFilter> refusing = MakeSink(MEDIASUBTYPE_YUY2);
  ComPtr<IBaseFilter> sink = MakeSink(MEDIASUBTYPE_RGB32);
  ComPtr<IPin> out = FirstPin(source.Get()), in = FirstPin(sink.Get());

  EXPECT_EQ(out->Connect(FirstPin(refusing.Get()).Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_EQ(out->Connect(FirstPin(source.Get()).Get(), nullptr), VFW_E_INVALID_DIRECTION);
  ASSERT_EQ(out->Connect(in.Get(), nullptr), S_OK);
  EXPECT_EQ(out->Connect(in.Get(), nullptr), VFW_E_ALREADY_CONNECTED);

  ComPtr<IPin> peer;
  ASSERT_EQ(in->ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer.Get(), out.Get());
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(in->ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB32);
  FreeMediaTypeContents(type);
  EXPECT_EQ(in->QueryAccept(&VideoType(MEDIASUBTYPE_YUY2, 32, 16, 16).get()), S_FALSE);

  // The source chose the sink's allocator (a memory allocator the sink created).
  ComPtr<IMemInputPin> memory;
  ASSERT_EQ(in.As(&memory), S_OK);
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(memory->GetAllocator(&allocator), S_OK);
  ALLOCATOR_PROPERTIES properties{};
  allocator->GetProperties(&properties);
  EXPECT_GE(properties.cbBuffer, 32 * 16 * 4);

  // No disconnection while running.
  ASSERT_EQ(sink->Pause(), S_OK);
  EXPECT_EQ(in->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(sink->Stop(), S_OK);
  EXPECT_EQ(in->Disconnect(), S_OK);
  EXPECT_EQ(in->Disconnect(), S_FALSE);
  EXPECT_EQ(out->Disconnect(), S_OK);
  EXPECT_EQ(in->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(in->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
}

TEST_F(BaseLayer, FramesFlowThroughAFilterGraph) {
  TestSink* raw = nullptr;
  ComPtr<IBaseFilter> sink = MakeSink(MEDIASUBTYPE_RGB32, &raw);
  ComPtr<IBaseFilter> source = CreateTestSource(Rgb32Source(12));
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)), S_OK);
  ASSERT_EQ(graph->AddFilter(source.Get(), L"source"), S_OK);
  ASSERT_EQ(graph->AddFilter(sink.Get(), L"sink"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(FirstPin(source.Get()).Get(), FirstPin(sink.Get()).Get(), nullptr), S_OK);

  FILTER_INFO info{};
  ASSERT_EQ(sink->QueryFilterInfo(&info), S_OK);
  EXPECT_STREQ(info.achName, L"sink");
  EXPECT_NE(info.pGraph, nullptr);
  if (info.pGraph) info.pGraph->Release();

  ComPtr<IMediaControl> control;
  ASSERT_EQ(graph.As(&control), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(testing::WaitForGraphEvent(graph.Get(), EC_COMPLETE, 10000));
  control->Stop();

  const auto frames = raw->frames();
  ASSERT_EQ(frames.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    ASSERT_EQ(frames[i].bytes.size(), 32u * 16 * 4);
    EXPECT_EQ(frames[i].bytes[5], static_cast<uint8_t>(i * 7 + 5));
    EXPECT_EQ(frames[i].start, i * 400000);
  }
  // Stopped and started again: the source streams from the start once more.
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(testing::WaitForGraphEvent(graph.Get(), EC_COMPLETE, 10000));
  control->Stop();
  EXPECT_EQ(raw->frames().size(), 24u);
}

HRESULT CreateSinkForFactory(REFIID iid, void** out) {
  ComPtr<IBaseFilter> sink = MakeSink(MEDIASUBTYPE_RGB32);
  return sink->QueryInterface(iid, out);
}

const REGPINTYPES kPinType = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
const REGFILTERPINS kPin = {const_cast<LPWSTR>(L"In"), TRUE, FALSE, FALSE, FALSE, &CLSID_NULL,
                            const_cast<LPWSTR>(L"Output"), 1, &kPinType};
const REGFILTER2 kFilter = {1, 0x200000, {{1, &kPin}}};
const ClassEntry kClasses[] = {
    {L"TL base layer test sink", &kSinkClass, CreateSinkForFactory, &kFilter},
};

TEST_F(BaseLayer, ClassFactoryAndUnloading) {
  ASSERT_TRUE(ModuleCanUnload());
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(GetClassObject(kClasses, CLSID_NULL, IID_PPV_ARGS(&factory)), CLASS_E_CLASSNOTAVAILABLE);
  ComPtr<IBaseFilter> wrongInterface;
  EXPECT_EQ(GetClassObject(kClasses, kSinkClass, IID_PPV_ARGS(&wrongInterface)), E_NOINTERFACE);
  ASSERT_EQ(GetClassObject(kClasses, kSinkClass, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the factory itself is alive

  ComPtr<IBaseFilter> filter;
  ComPtr<IUnknown> outer;
  factory.As(&outer);
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_PPV_ARGS(&filter)), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
  CLSID id{};
  filter->GetClassID(&id);
  EXPECT_EQ(id, kSinkClass);
  factory->LockServer(TRUE);
  outer.Reset();
  factory.Reset();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the filter and the lock
  filter.Reset();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the lock
  LockModule(false);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(BaseLayer, RegistrationWritesComKeysAndTheFilterMapper) {
  ASSERT_EQ(RegisterServer(nullptr, kClasses), S_OK);
  const std::wstring key = L"CLSID\\" + GuidText(kSinkClass);
  EXPECT_EQ(win32::ReadRegString(HKEY_CLASSES_ROOT, key.c_str(), nullptr), L"TL base layer test sink");
  EXPECT_EQ(win32::ReadRegString(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), L"ThreadingModel"),
            L"Both");
  const std::wstring instance =
      L"CLSID\\" + GuidText(CLSID_LegacyAmFilterCategory) + L"\\Instance\\" + GuidText(kSinkClass);
  EXPECT_EQ(win32::ReadRegString(HKEY_CLASSES_ROOT, instance.c_str(), L"FriendlyName"),
            L"TL base layer test sink");

  ASSERT_EQ(UnregisterServer(kClasses), S_OK);
  EXPECT_FALSE(win32::ReadRegString(HKEY_CLASSES_ROOT, key.c_str(), nullptr));
  EXPECT_FALSE(win32::ReadRegString(HKEY_CLASSES_ROOT, instance.c_str(), L"FriendlyName"));
  // Unregistering twice is harmless.
  EXPECT_EQ(UnregisterServer(kClasses), S_OK);
}

}  // namespace
}  // namespace tl::dshow
