#include "browse/spoken_lines.h"

#include "browse/result_table.h"
#include "res/browse_strings.h"

#include <algorithm>
#include <string_view>

namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The TAB-separated fields of a line, each trimmed.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(Trimmed(line.substr(start, tab == std::string_view::npos ? tab : tab - start)));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::vector<std::string_view> NonEmpty(const std::vector<std::string_view>& fields)
{
    std::vector<std::string_view> out;
    std::copy_if(fields.begin(), fields.end(), std::back_inserter(out), [](std::string_view f) { return !f.empty(); });
    return out;
}

void AppendPart(std::string& out, std::string_view part)
{
    if (!out.empty())
        out += ", ";
    out += part;
}

std::string Joined(const std::vector<std::string_view>& parts)
{
    std::string out;
    for (std::string_view part : parts)
        AppendPart(out, part);
    return out;
}

// Fields after their column names; a field under an unnamed column stands alone, one
// past the last column is left out (the USERS flag word has no column).
std::string WithColumns(std::string_view heading, std::string_view line)
{
    std::vector<std::string_view> columns = Fields(heading);
    while (!columns.empty() && columns.back().empty())
        columns.pop_back();
    const std::vector<std::string_view> fields = Fields(line);
    std::string out;
    for (std::size_t i = 0; i < fields.size() && i < columns.size(); ++i) {
        if (fields[i].empty())
            continue;
        AppendPart(out, columns[i].empty() ? std::string(fields[i])
                                           : std::string(columns[i]) + ' ' + std::string(fields[i]));
    }
    return out;
}

bool IsMemberLine(std::string_view line)
{
    return !line.empty() && line.front() == '\t';
}

std::string GroupMember(const std::vector<std::string>& lines, int index)
{
    std::string out = Joined(NonEmpty(Fields(lines[std::size_t(index)])));
    for (int i = index - 1; i >= 0; --i) {
        const std::string& line = lines[std::size_t(i)];
        if (KindOfListLine(lines, i) != ListLineKind::Row)
            break;
        if (!IsMemberLine(line)) {
            const auto group = NonEmpty(Fields(line));
            if (!group.empty())
                out += std::string(", ") + res::STR_SPOKEN_MEMBER_OF + ' ' + std::string(group.front());
            break;
        }
    }
    return out;
}

// Provider above domain above server above share; -1 for a line of no known kind.
int NetworkLevel(std::string_view label)
{
    constexpr std::string_view levels[] = {res::STR_PROVIDER, res::STR_DOMAIN, res::STR_SERVER, res::STR_DISK,
                                           res::STR_PRINTER};
    const auto* at = std::find(std::begin(levels), std::end(levels), label);
    return at == std::end(levels) ? -1 : std::min(int(at - std::begin(levels)), 3);
}

// "Server \\DC1": the type (the last field) before the name (the first).
std::string NetworkItem(const std::vector<std::string_view>& fields)
{
    return std::string(fields.back()) + ' ' + std::string(fields.front());
}

std::string NetworkLine(const std::vector<std::string>& lines, int index)
{
    const auto fields = NonEmpty(Fields(lines[std::size_t(index)]));
    const int level = fields.size() < 2 ? -1 : NetworkLevel(fields.back());
    if (level < 0)
        return Joined(fields);
    std::string out = NetworkItem(fields);
    for (int i = index - 1; i >= 0 && KindOfListLine(lines, i) == ListLineKind::Row; --i) {
        const auto above = NonEmpty(Fields(lines[std::size_t(i)]));
        if (above.size() >= 2 && NetworkLevel(above.back()) >= 0 && NetworkLevel(above.back()) < level) {
            out += std::string(", ") + res::STR_SPOKEN_UNDER + ' ' + NetworkItem(above);
            break;
        }
    }
    return out;
}

}  // namespace

ListLineKind KindOfListLine(const std::vector<std::string>& lines, int index)
{
    if (index < 0 || std::size_t(index) >= lines.size())
        return ListLineKind::Row;
    if (lines[std::size_t(index)] == g_separatorLine)
        return ListLineKind::Separator;
    if (index == 0 && lines.size() > 1 && lines[1] == g_separatorLine)
        return ListLineKind::Heading;
    return ListLineKind::Row;
}

std::string SpokenListLine(const std::vector<std::string>& lines, int index, DisplayType type)
{
    if (index < 0 || std::size_t(index) >= lines.size())
        return {};
    const std::string& line = lines[std::size_t(index)];
    switch (KindOfListLine(lines, index)) {
    case ListLineKind::Separator:
        return {};
    case ListLineKind::Heading:
        return Joined(NonEmpty(Fields(line)));
    case ListLineKind::Row:
        break;
    }
    if (line.find('\t') == std::string::npos)
        return std::string(Trimmed(line));
    if (type == DisplayType::GROUPS && IsMemberLine(line))
        return GroupMember(lines, index);
    if (type == DisplayType::NETWORK)
        return NetworkLine(lines, index);
    if (KindOfListLine(lines, 0) != ListLineKind::Heading)
        return Joined(NonEmpty(Fields(line)));
    return WithColumns(lines[0], line);
}
