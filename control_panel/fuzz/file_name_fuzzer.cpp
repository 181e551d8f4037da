// The file names the control panel handles: the file chosen in Open File (what kind of medium it
// names for the preview player), the media player's path from its registry folder, the command
// line that hands the chosen file to it, and the help document's path from the translated key.
// The input is UTF-16LE text; '|' separates the parts (file, player folder, program files folder,
// help key).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "control_panel/core/panel_rules.h"
#include "preview_player/core/media_open.h"

namespace {

using namespace tl;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// The extension as Windows names it: from the last dot of the last path component.
std::wstring Extension(const std::wstring& path) {
  const size_t name = path.find_last_of(L"\\/");
  const std::wstring last = name == std::wstring::npos ? path : path.substr(name + 1);
  const size_t dot = last.find_last_of(L'.');
  return dot == std::wstring::npos ? std::wstring() : LowerAscii(last.substr(dot));
}

// A command line split into arguments by the rules programs use (CommandLineToArgvW): the program
// name up to its closing quote, then arguments where 2n backslashes before a quote are n
// backslashes and a delimiter, 2n + 1 are n and a literal quote.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> args;
  size_t i = 0;
  std::wstring program;
  if (i < line.size() && line[i] == L'"') {
    ++i;
    while (i < line.size() && line[i] != L'"') program += line[i++];
    if (i < line.size()) ++i;
  } else {
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t') program += line[i++];
  }
  args.push_back(program);
  for (;;) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= line.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < line.size()) {
      size_t slashes = 0;
      while (i < line.size() && line[i] == L'\\') ++slashes, ++i;
      if (i < line.size() && line[i] == L'"') {
        arg.append(slashes / 2, L'\\');
        if (slashes % 2) {
          arg += L'"';
          ++i;
        } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
          arg += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      arg.append(slashes, L'\\');
      if (i >= line.size() || (!quoted && (line[i] == L' ' || line[i] == L'\t'))) break;
      arg += line[i++];
    }
    args.push_back(arg);
  }
  return args;
}

// A name Windows accepts for a file: no quote, no control character, not ending in a separator.
bool PlainFileName(const std::wstring& name) {
  if (name.empty() || name.back() == L'\\' || name.back() == L'/') return false;
  for (wchar_t c : name)
    if (c == L'"' || c < 32) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  std::vector<std::wstring> parts;
  for (size_t start = 0;;) {
    const size_t bar = text.find(L'|', start);
    parts.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
    if (bar == std::wstring::npos) break;
    start = bar + 1;
  }
  parts.resize(std::max<size_t>(parts.size(), 4));
  const std::wstring& file = parts[0];
  const std::wstring& playerFolder = parts[1];
  const std::wstring& programFiles = parts[2];
  const std::wstring& helpKey = parts[3];

  // The chosen file: a picture by its extension, any case; everything else a movie.
  const std::wstring extension = Extension(file);
  const bool picture = extension == L".jpg" || extension == L".jpeg" || extension == L".bmp";
  Check((preview::KindOfPath(file) == preview::MediaKind::kImage) == picture);
  Check(preview::IsJpegPath(file) == (extension == L".jpg" || extension == L".jpeg"));

  // The media player and the hand-over of the chosen file.
  const std::wstring player = panel::MediaPlayerPath(playerFolder, programFiles);
  Check(player.size() >= 12 && player.compare(player.size() - 12, 12, L"wmplayer.exe") == 0);
  const std::wstring line = panel::QuotedCommandLine(player, file);
  if (PlainFileName(player) && PlainFileName(file)) {
    const std::vector<std::wstring> args = SplitCommandLine(line);
    Check(args.size() == 2 && args[0] == player && args[1] == file);
  }

  // The help document stays under the program's help folder.
  const std::wstring help = panel::HelpDocumentPath(L"C:\\TavoLumara\\", helpKey);
  Check(help == L"C:\\TavoLumara\\help\\" + helpKey);
  return 0;
}
