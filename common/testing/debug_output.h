// Receives what programs write to the debugger output (OutputDebugString), the way debug viewers
// do: the DBWIN_BUFFER protocol. The machine has one such reader at a time; in a test process it
// is shared by every listener and answers each writer at once on a thread of its own (writers
// wait for it), and each listener gets everything written while it exists.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

namespace tl::testing {

class DebugOutputListener {
 public:
  DebugOutputListener();
  ~DebugOutputListener();
  DebugOutputListener(const DebugOutputListener&) = delete;
  DebugOutputListener& operator=(const DebugOutputListener&) = delete;

  // False when the debugger output cannot be read here.
  bool ok() const { return ok_; }
  // Everything received since the last call, once nothing more has come for quietMs.
  std::string Collect(DWORD quietMs);
  // Waits up to timeoutMs for `text`; true when it came. What came up to its end is taken.
  bool WaitFor(const std::string& text, DWORD timeoutMs);

 private:
  friend class DebugOutputReader;
  void Deliver(const char* text, size_t length);

  bool ok_ = false;
  std::mutex lock_;
  std::string received_;
  ULONGLONG lastArrival_ = 0;
};

}  // namespace tl::testing
