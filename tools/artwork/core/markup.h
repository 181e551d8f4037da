// The help pages' source form: a few lines of plain markup turned into one HTML page.
//
//   % title: Page title           settings at the top ("title", "lang", "contents")
//   # Heading  ## Section  ### Subsection   (sections get anchors and a table of contents)
//   paragraphs of text; **strong**, *emphasis*, `keys`, [text](target), \* a plain '*'
//   - bullet items, 1. numbered items, > a note
//   ![caption](picture.png)       a picture with its caption
//   | cell | cell |               table rows; the first row is the header
//   [[contents]]                  where the table of contents goes
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tl::artwork {

struct HelpPage {
  std::string html;
  std::vector<std::string> pictures;  // every picture the page refers to, as written
};

// `style` is put into the page's <style> element. Throws TemplateError on malformed input
// (an unclosed inline mark, an unknown setting, a table row of the wrong width).
HelpPage RenderHelpPage(std::string_view markup, std::string_view style);

// Text as HTML character data (&, <, >, ").
std::string EscapeHtml(std::string_view text);

}  // namespace tl::artwork
