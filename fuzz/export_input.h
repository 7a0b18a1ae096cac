// How the export targets read their inputs: a list's lines, separated by NUL (a list
// line is a C string, so it never holds one), and the fields a CSV reader must find in
// each line written in comma mode.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::string> ListLinesOf(std::string_view input)
{
    std::vector<std::string> lines;
    for (;;) {
        const auto nul = input.find('\0');
        lines.emplace_back(input.substr(0, nul));
        if (nul == std::string_view::npos)
            return lines;
        input.remove_prefix(nul + 1);
    }
}

// The line's TAB-separated fields; a TAB in the first position is indentation and
// belongs to the first field. An empty line is one empty field.
inline std::vector<std::string> ExpectedRow(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    std::size_t pos = line.starts_with('\t') ? 1 : 0;
    for (;;) {
        const auto tab = line.find('\t', pos);
        fields.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = pos = tab + 1;
    }
}

// The fields a reader of tab-separated text (Python's csv with delimiter TAB and no
// quoting) finds in a line written in tab mode, which is the line itself: every TAB
// separates, and an empty line, a blank line in the file, is a row without fields.
// Only for lines without CR or LF, which such a reader takes for line ends.
inline std::vector<std::string> ExpectedTabRow(std::string_view line)
{
    std::vector<std::string> fields;
    if (line.empty())
        return fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.emplace_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}
