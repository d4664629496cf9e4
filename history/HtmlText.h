#pragma once
// The report's text: children's names are bytes of the system's ANSI code page, written by any
// account; they reach the page as UTF-8 text only, never as markup, so the page reads the same in
// every browser, whatever the code page.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tembrel {

// Bytes of the ANSI code page to UTF-8.
using AnsiToUtf8 = std::function<std::string(std::string_view)>;
// Windows-1252, the code page of the tests and of machines without one of their own. Its five
// unassigned bytes become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

// UTF-8 text as HTML text or attribute value: & < > " ' as references; control characters
// (C0 except tab, LF and CR; DEL; C1) and bytes that are no UTF-8 become U+FFFD. Longer texts than
// `maxCharacters` are cut and end in an ellipsis.
std::string HtmlText(std::string_view utf8, std::size_t maxCharacters = 0);

} // namespace tembrel
