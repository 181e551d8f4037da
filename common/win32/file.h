// Reading small files whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tl::win32 {

// The file's bytes; false when it cannot be read whole or is larger than maxBytes.
bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data, size_t maxBytes);

// True when the file exists and can be opened for reading.
bool CanOpenForReading(const std::wstring& path);

}  // namespace tl::win32
