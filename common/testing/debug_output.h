// Receives what programs write to the debugger output (OutputDebugString), the way debug viewers
// do: the DBWIN_BUFFER protocol. A thread of its own answers every writer at once, so that the
// writers (which wait for the reader) are not slowed down. One listener at a time per machine.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "common/win32/handles.h"

namespace tl::testing {

class DebugOutputListener {
 public:
  DebugOutputListener();
  ~DebugOutputListener();
  DebugOutputListener(const DebugOutputListener&) = delete;
  DebugOutputListener& operator=(const DebugOutputListener&) = delete;

  bool ok() const { return bufferReady_ && dataReady_ && view_; }
  // Everything received since the last call, once nothing more has come for quietMs.
  std::string Collect(DWORD quietMs);

 private:
  void Listen();

  win32::UniqueHandle bufferReady_;
  win32::UniqueHandle dataReady_;
  win32::UniqueHandle mapping_;
  const char* view_ = nullptr;
  std::mutex lock_;
  std::string received_;
  ULONGLONG lastArrival_ = 0;
  std::atomic<bool> stop_{false};
  std::thread listener_;
};

}  // namespace tl::testing
