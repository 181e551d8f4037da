#include "common/testing/debug_output.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "common/win32/handles.h"

namespace tl::testing {

// The one reader of the process, running while some listener exists.
class DebugOutputReader {
 public:
  static DebugOutputReader& Instance() {
    static DebugOutputReader reader;
    return reader;
  }

  bool Add(DebugOutputListener* listener) {
    std::lock_guard<std::mutex> guard(lock_);
    if (listeners_.empty() && !Start()) return false;
    listeners_.push_back(listener);
    return true;
  }

  void Remove(DebugOutputListener* listener) {
    std::unique_lock<std::mutex> guard(lock_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
    if (!listeners_.empty()) return;
    stop_ = true;
    guard.unlock();
    if (thread_.joinable()) thread_.join();
    guard.lock();
    if (view_) ::UnmapViewOfFile(view_);
    view_ = nullptr;
    mapping_.reset();
    dataReady_.reset();
    bufferReady_.reset();
  }

 private:
  static constexpr size_t kBufferBytes = 4096;

  bool Start() {
    bufferReady_.reset(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
    dataReady_.reset(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes, L"DBWIN_BUFFER"));
    if (mapping_) view_ = static_cast<const char*>(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    if (!bufferReady_ || !dataReady_ || !view_) return false;
    stop_ = false;
    ::SetEvent(bufferReady_.get());
    thread_ = std::thread([this] { Listen(); });
    return true;
  }

  void Listen() {
    while (!stop_) {
      if (::WaitForSingleObject(dataReady_.get(), 20) != WAIT_OBJECT_0) continue;
      {
        // The buffer starts with the writer's process id, then the text.
        const char* text = view_ + sizeof(DWORD);
        const size_t length = strnlen(text, kBufferBytes - sizeof(DWORD));
        std::lock_guard<std::mutex> guard(lock_);
        for (DebugOutputListener* listener : listeners_) listener->Deliver(text, length);
      }
      ::SetEvent(bufferReady_.get());
    }
  }

  std::mutex lock_;
  std::vector<DebugOutputListener*> listeners_;
  win32::UniqueHandle bufferReady_;
  win32::UniqueHandle dataReady_;
  win32::UniqueHandle mapping_;
  const char* view_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

DebugOutputListener::DebugOutputListener() { ok_ = DebugOutputReader::Instance().Add(this); }

DebugOutputListener::~DebugOutputListener() {
  if (ok_) DebugOutputReader::Instance().Remove(this);
}

void DebugOutputListener::Deliver(const char* text, size_t length) {
  std::lock_guard<std::mutex> guard(lock_);
  received_.append(text, length);
  lastArrival_ = ::GetTickCount64();
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

bool DebugOutputListener::WaitFor(const std::string& text, DWORD timeoutMs) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      const size_t at = received_.find(text);
      if (at != std::string::npos) {
        received_.erase(0, at + text.size());
        return true;
      }
    }
    if (::GetTickCount64() - start >= timeoutMs) return false;
    ::Sleep(10);
  }
}

}  // namespace tl::testing
