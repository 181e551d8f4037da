#include "audio_operator/tests/sound_server.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "common/win32/process.h"
#include "common/win32/registry.h"
#include "common/win32/text.h"

namespace tl::audio_operator::testing {
namespace {

constexpr wchar_t kWinePulseKey[] = L"Software\\Wine\\Drivers\\winepulse.drv";

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A Unix path's name on Wine's drive for the Unix root.
std::wstring OnUnixDrive(const std::string& unixPath) {
  std::wstring path = L"Z:" + win32::Widen(unixPath, CP_UTF8);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

}  // namespace

bool HaveSoundServer() {
  const char* server = std::getenv("PULSE_SERVER");
  return server && *server;
}

std::optional<HostResult> RunOnHost(const std::string& command, DWORD timeoutMs) {
  const char* folder = std::getenv("TL_TEST_DIR");
  if (!folder) return std::nullopt;
  static int serial = 0;
  const std::string base = std::string(folder) + "/host-command-" + std::to_string(::GetCurrentProcessId()) + "-" +
                           std::to_string(++serial);
  const std::string output = base + ".out", status = base + ".status";
  // The status file appears whole (renamed into place) once the command has ended.
  const std::string script = "(" + command + ") >'" + output + "' 2>&1; echo $? >'" + status + ".part'; mv '" +
                             status + ".part' '" + status + "'";
  const std::wstring commandLine = L"/bin/sh -c " + win32::QuoteArgument(win32::Widen(script, CP_UTF8));
  if (!win32::StartHidden(commandLine)) return std::nullopt;
  const std::wstring statusPath = OnUnixDrive(status), outputPath = OnUnixDrive(output);
  for (const ULONGLONG end = ::GetTickCount64() + timeoutMs; ::GetTickCount64() < end; ::Sleep(20)) {
    const std::optional<std::string> code = ReadWholeFile(statusPath);
    if (!code) continue;
    HostResult result;
    result.exitCode = std::atoi(code->c_str());
    result.output = ReadWholeFile(outputPath).value_or("");
    ::DeleteFileW(statusPath.c_str());
    ::DeleteFileW(outputPath.c_str());
    return result;
  }
  return std::nullopt;
}

std::optional<std::string> Pactl(const std::string& arguments) {
  const std::optional<HostResult> result = RunOnHost("pactl " + arguments);
  if (!result) {
    ADD_FAILURE() << "pactl " << arguments << ": did not finish";
    return std::nullopt;
  }
  if (result->exitCode != 0) {
    ADD_FAILURE() << "pactl " << arguments << ": exit code " << result->exitCode << ": " << result->output;
    return std::nullopt;
  }
  return result->output;
}

std::optional<int> SinkVolumePercent(const std::string& sink) {
  const std::optional<std::string> text = Pactl("get-sink-volume " + sink);
  std::smatch match;
  if (!text || !std::regex_search(*text, match, std::regex("(\\d+)%"))) return std::nullopt;
  return std::stoi(match[1]);
}

std::optional<bool> SinkMuted(const std::string& sink) {
  const std::optional<std::string> text = Pactl("get-sink-mute " + sink);
  if (!text) return std::nullopt;
  if (text->find("Mute: yes") != std::string::npos) return true;
  if (text->find("Mute: no") != std::string::npos) return false;
  return std::nullopt;
}

ExtraNullSink::ExtraNullSink(const std::string& sinkName, const std::string& description) {
  // pactl joins its arguments; the properties need their own quotes inside the module's.
  const std::optional<std::string> index = Pactl("load-module module-null-sink \"sink_name=" + sinkName +
                                                 " sink_properties=\\\"device.description='" + description + "'\\\"\"");
  if (index) module_ = index->substr(0, index->find_first_of("\r\n"));
}

void ExtraNullSink::Unload() {
  if (!module_.empty()) Pactl("unload-module " + module_);
  module_.clear();
}

WineDefaultDeviceChoice::WineDefaultDeviceChoice(const wchar_t* value)
    : value_(value), saved_(win32::ReadRegString(HKEY_CURRENT_USER, kWinePulseKey, value)) {}

WineDefaultDeviceChoice::~WineDefaultDeviceChoice() {
  if (saved_)
    win32::WriteRegString(HKEY_CURRENT_USER, kWinePulseKey, value_.c_str(), *saved_);
  else
    win32::DeleteRegValue(HKEY_CURRENT_USER, kWinePulseKey, value_.c_str());
}

bool WineDefaultDeviceChoice::Choose(const std::wstring& deviceId) {
  return win32::WriteRegString(HKEY_CURRENT_USER, kWinePulseKey, value_.c_str(), deviceId);
}

}  // namespace tl::audio_operator::testing
