// Package texts as the builder shows them on a terminal, and how much room
// the setup dialog gives the welcome text.
#pragma once

#include <cstddef>
#include <string>

namespace marrowby::setuppack {

// A package text (Windows-1252, or UTF-8 when utf8 is set, as cabinets may
// flag their names) in double quotes for a terminal whose character set is
// `codeset` (nl_langinfo(CODESET)): control characters, backslashes and
// quotes escaped C-style, bytes that are no character as \xNN, and every
// other character converted, or escaped as \u{NNNN} when the terminal's
// character set lacks it. A hostile package cannot drive the terminal.
std::string TerminalText(const std::string& text, bool utf8, const std::string& codeset);

// TerminalText for the terminal this process writes to (its locale's
// character set): for names from a package inside messages.
std::string Shown(const std::string& text, bool utf8 = false);

// The status area of the setup dialog (228 x 75 dialog units of 8-point MS
// Sans Serif) shows 9 lines of about 57 average characters.
constexpr size_t kStatusLines = 9;
constexpr size_t kStatusColumns = 57;

// The number of lines a text takes in the status area: CR LF, a lone CR or
// a lone LF ends a line, and long lines wrap at word boundaries.
size_t StatusLines(const std::string& text);

}  // namespace marrowby::setuppack
