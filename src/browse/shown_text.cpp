#include "browse/shown_text.h"

namespace {

constexpr std::string_view kLineBreakers = "\t\r\n";

}  // namespace

void AppendShown(std::string& line, std::string_view text)
{
    const std::size_t start = line.size();
    line.append(text);
    for (auto pos = line.find_first_of(kLineBreakers, start); pos != std::string::npos;
         pos = line.find_first_of(kLineBreakers, pos + 1)) {
        line[pos] = ' ';
    }
}

std::string ShownText(std::string_view text)
{
    std::string shown;
    AppendShown(shown, text);
    return shown;
}
