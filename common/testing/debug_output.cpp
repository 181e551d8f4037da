#include "common/testing/debug_output.h"

#include <cstring>

namespace tl::testing {
namespace {
constexpr size_t kBufferBytes = 4096;
}  // namespace

DebugOutputListener::DebugOutputListener()
    : bufferReady_(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY")),
      dataReady_(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
      mapping_(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes, L"DBWIN_BUFFER")) {
  if (mapping_) view_ = static_cast<const char*>(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
  if (!ok()) return;
  ::SetEvent(bufferReady_.get());
  listener_ = std::thread([this] { Listen(); });
}

DebugOutputListener::~DebugOutputListener() {
  stop_ = true;
  if (listener_.joinable()) listener_.join();
  if (view_) ::UnmapViewOfFile(view_);
}

void DebugOutputListener::Listen() {
  while (!stop_) {
    if (::WaitForSingleObject(dataReady_.get(), 20) != WAIT_OBJECT_0) continue;
    {
      // The buffer starts with the writer's process id, then the text.
      std::lock_guard<std::mutex> guard(lock_);
      received_.append(view_ + sizeof(DWORD), strnlen(view_ + sizeof(DWORD), kBufferBytes - sizeof(DWORD)));
      lastArrival_ = ::GetTickCount64();
    }
    ::SetEvent(bufferReady_.get());
  }
}

std::string DebugOutputListener::Collect(DWORD quietMs) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    ::Sleep(10);
    std::lock_guard<std::mutex> guard(lock_);
    const ULONGLONG now = ::GetTickCount64();
    if (now - start >= quietMs && (lastArrival_ == 0 || now - lastArrival_ >= quietMs)) {
      std::string all;
      all.swap(received_);
      return all;
    }
  }
}

}  // namespace tl::testing
