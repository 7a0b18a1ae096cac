// How assistive technology reads the lines of a list box.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fx {

// A heading or separator line is no item: a screen reader doesn't offer it as a row,
// and neither the keyboard nor the mouse selects it.
enum class LineRole { Item, Heading, Separator };

// A list without a reader has items only, each read as its text.
struct LineReader {
    std::function<LineRole(const std::vector<std::string>& lines, int index)> role;
    // What line `index` says; without it, the line as it stands.
    std::function<std::string(const std::vector<std::string>& lines, int index)> text;
};

}  // namespace fx
