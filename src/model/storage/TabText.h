#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text files beside the book hold one record a line, values separated by tabs. A
// backslash escapes a tab (\t), a line feed (\n), a carriage return (\r) and itself (\\), so
// that no value can break a line or a column.
namespace TabText {

void appendEscaped(std::string& out, std::string_view text);
std::string unescaped(std::string_view text);
// The columns of one line, still escaped.
std::vector<std::string_view> split(std::string_view line);
// The first line of text, without its line end (LF or CR LF), taken off text.
std::string_view takeLine(std::string_view& text);

} // namespace TabText
