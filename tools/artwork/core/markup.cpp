#include "tools/artwork/core/markup.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "tools/artwork/core/template.h"

namespace tl::artwork {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Anchor names from headings: lower-case letters and digits joined by '-'.
std::string Anchor(std::string_view heading) {
  std::string out;
  for (unsigned char c : heading) {
    if (std::isalnum(c)) {
      out += static_cast<char>(std::tolower(c));
    } else if (c >= 0x80) {
      out += static_cast<char>(c);  // UTF-8 letters stay
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "section" : out;
}

class InlineWriter {
 public:
  explicit InlineWriter(int line) : line_(line) {}

  std::string Render(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        out += EscapeHtml(text.substr(i + 1, 1));  // a marked character taken as it is
        i += 2;
      } else if (text.substr(i, 2) == "**") {
        out += Span(text, i, "**", "strong");
      } else if (text[i] == '*') {
        out += Span(text, i, "*", "em");
      } else if (text[i] == '`') {
        size_t end = Find(text, i + 1, "`");
        out += "<kbd>" + EscapeHtml(text.substr(i + 1, end - i - 1)) + "</kbd>";
        i = end + 1;
      } else if (text[i] == '[') {
        size_t close = Find(text, i + 1, "](");
        size_t end = Find(text, close + 2, ")");
        std::string target(text.substr(close + 2, end - close - 2));
        out += "<a href=\"" + EscapeHtml(target) + "\">" + Render(text.substr(i + 1, close - i - 1)) + "</a>";
        i = end + 1;
      } else {
        out += EscapeHtml(text.substr(i, 1));
        ++i;
      }
    }
    return out;
  }

 private:
  size_t Find(std::string_view text, size_t from, std::string_view mark) const {
    size_t at = text.find(mark, from);
    if (at == std::string_view::npos)
      throw TemplateError("line " + std::to_string(line_) + ": '" + std::string(mark) + "' is not closed");
    return at;
  }
  std::string Span(std::string_view text, size_t& i, std::string_view mark, const char* tag) {
    size_t end = Find(text, i + mark.size(), mark);
    std::string inner = Render(text.substr(i + mark.size(), end - i - mark.size()));
    i = end + mark.size();
    return std::string("<") + tag + ">" + inner + "</" + tag + ">";
  }
  int line_;
};

struct Section {
  int level;
  std::string anchor;
  std::string title;  // HTML
};

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

HelpPage RenderHelpPage(std::string_view markup, std::string_view style) {
  std::string title = "Help", lang = "en", contentsTitle = "Contents";
  std::vector<Section> sections;
  std::ostringstream body;
  HelpPage page;

  enum class Block { None, Paragraph, Bullets, Numbers, Note, Table } block = Block::None;
  std::string paragraph;
  size_t tableColumns = 0;
  bool contentsHere = false;
  int lineNumber = 0;

  std::string itemValue;  // the number written before a numbered item
  auto closeItem = [&] {
    if ((block != Block::Bullets && block != Block::Numbers) || paragraph.empty()) return;
    InlineWriter w(lineNumber);
    body << "<li" << (itemValue.empty() ? "" : " value=\"" + itemValue + "\"") << ">"
         << w.Render(paragraph) << "</li>\n";
    paragraph.clear();
  };
  auto closeBlock = [&] {
    InlineWriter w(lineNumber);
    closeItem();
    switch (block) {
      case Block::Paragraph: body << "<p>" << w.Render(paragraph) << "</p>\n"; break;
      case Block::Note: body << "<p class=\"note\">" << w.Render(paragraph) << "</p>\n"; break;
      case Block::Bullets: body << "</ul>\n"; break;
      case Block::Numbers: body << "</ol>\n"; break;
      case Block::Table: body << "</table>\n"; break;
      case Block::None: break;
    }
    paragraph.clear();
    block = Block::None;
  };
  auto startBlock = [&](Block kind) {
    if (block == kind) return;
    closeBlock();
    block = kind;
    if (kind == Block::Bullets) body << "<ul>\n";
    if (kind == Block::Numbers) body << "<ol>\n";
    if (kind == Block::Table) body << "<table>\n";
  };
  const std::string contentsMarker = "\x01contents\x01";

  std::istringstream in{std::string(markup)};
  std::string raw;
  bool settingsAllowed = true;
  while (std::getline(in, raw)) {
    ++lineNumber;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string_view line = Trim(raw);
    InlineWriter w(lineNumber);
    auto fail = [&](const std::string& why) {
      throw TemplateError("line " + std::to_string(lineNumber) + ": " + why);
    };
    if (line.empty()) {
      closeBlock();
      continue;
    }
    if (line.front() == '%') {
      if (!settingsAllowed) fail("settings belong at the top");
      size_t colon = line.find(':');
      if (colon == std::string_view::npos) fail("a setting needs 'name: value'");
      std::string_view key = Trim(line.substr(1, colon - 1));
      std::string value(Trim(line.substr(colon + 1)));
      if (key == "title") title = value;
      else if (key == "lang") lang = value;
      else if (key == "contents") contentsTitle = value;
      else fail("unknown setting '" + std::string(key) + "'");
      continue;
    }
    settingsAllowed = false;
    if (line == "[[contents]]") {
      closeBlock();
      if (contentsHere) fail("a second table of contents");
      contentsHere = true;
      body << contentsMarker;
      continue;
    }
    if (line.front() == '#') {
      closeBlock();
      size_t level = line.find_first_not_of('#');
      if (level == std::string_view::npos || level > 3 || line[level] != ' ')
        fail("a heading is 1 to 3 '#' and a space");
      std::string text = w.Render(Trim(line.substr(level)));
      if (level == 1) {
        body << "<h1>" << text << "</h1>\n";
      } else {
        std::string anchor = Anchor(Trim(line.substr(level)));
        for (int n = 2; std::any_of(sections.begin(), sections.end(),
                                    [&](const Section& s) { return s.anchor == anchor; });
             ++n)
          anchor = Anchor(Trim(line.substr(level))) + "-" + std::to_string(n);
        sections.push_back({static_cast<int>(level), anchor, text});
        body << "<h" << level << " id=\"" << anchor << "\">" << text << "</h" << level << ">\n";
      }
      continue;
    }
    if (line.substr(0, 2) == "![") {
      closeBlock();
      size_t close = line.find("](");
      if (close == std::string_view::npos || line.back() != ')') fail("a picture is ![caption](file)");
      std::string caption = w.Render(line.substr(2, close - 2));
      std::string file(line.substr(close + 2, line.size() - close - 3));
      page.pictures.push_back(file);
      body << "<div class=\"figure\"><img src=\"" << EscapeHtml(file) << "\" alt=\""
           << EscapeHtml(line.substr(2, close - 2)) << "\"><div class=\"caption\">" << caption
           << "</div></div>\n";
      continue;
    }
    // An indented line continues the list item above it.
    if ((block == Block::Bullets || block == Block::Numbers) && std::isspace(static_cast<unsigned char>(raw[0]))) {
      paragraph += ' ';
      paragraph += line;
      continue;
    }
    if (line.substr(0, 2) == "- ") {
      startBlock(Block::Bullets);
      closeItem();
      itemValue.clear();
      paragraph = Trim(line.substr(2));
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(line.front()))) {
      size_t dot = line.find_first_not_of("0123456789");
      if (dot != std::string_view::npos && line.substr(dot, 2) == ". ") {
        startBlock(Block::Numbers);
        closeItem();
        itemValue = std::string(line.substr(0, dot));
        paragraph = Trim(line.substr(dot + 2));
        continue;
      }
    }
    if (line.front() == '|') {
      if (line.back() != '|' || line.size() < 2) fail("a table row starts and ends with '|'");
      std::vector<std::string_view> cells;
      std::string_view rest = line.substr(1, line.size() - 2);
      for (size_t start = 0;;) {
        size_t bar = rest.find('|', start);
        cells.push_back(Trim(rest.substr(start, bar == std::string_view::npos ? bar : bar - start)));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
      }
      const bool header = block != Block::Table;
      if (header) tableColumns = cells.size();
      else if (cells.size() != tableColumns) fail("this table row has another number of cells");
      startBlock(Block::Table);
      body << "<tr>";
      for (std::string_view cell : cells)
        body << (header ? "<th>" : "<td>") << w.Render(cell) << (header ? "</th>" : "</td>");
      body << "</tr>\n";
      continue;
    }
    if (line.front() == '>') {
      if (block != Block::Note) startBlock(Block::Note);
      else paragraph += ' ';
      paragraph += Trim(line.substr(1));
      continue;
    }
    if (block != Block::Paragraph) startBlock(Block::Paragraph);
    else paragraph += ' ';
    paragraph += line;
  }
  closeBlock();

  std::string content = body.str();
  if (contentsHere) {
    std::ostringstream toc;
    toc << "<div class=\"contents\"><div class=\"contents-title\">" << EscapeHtml(contentsTitle)
        << "</div>\n<ul>\n";
    for (const Section& s : sections)
      toc << "<li class=\"level" << s.level << "\"><a href=\"#" << s.anchor << "\">" << s.title
          << "</a></li>\n";
    toc << "</ul></div>\n";
    content.replace(content.find(contentsMarker), contentsMarker.size(), toc.str());
  }

  std::ostringstream html;
  html << "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n"
       << "<html lang=\"" << EscapeHtml(lang) << "\">\n<head>\n"
       << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
       << "<title>" << EscapeHtml(title) << "</title>\n<style type=\"text/css\">\n"
       << style << "</style>\n</head>\n<body>\n<div class=\"page\">\n"
       << content << "</div>\n</body>\n</html>\n";
  page.html = html.str();
  return page;
}

}  // namespace tl::artwork
