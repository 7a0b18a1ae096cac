// Text from a server (names, comments, paths) as it may stand in a list line.
#pragma once

#include <string>
#include <string_view>

// TAB, CR and LF would split a line or shift its columns: each becomes a blank.
std::string ShownText(std::string_view text);
// Appends ShownText(text) to `line` without a temporary.
void AppendShown(std::string& line, std::string_view text);
