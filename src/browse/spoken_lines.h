// How a screen reader reads the lines of a finished list (heading, separator, result
// lines, separator): the heading as its column names, a result line as its fields, each
// after the name of its column. What the list shows and exports stays as it is.
#pragma once

#include "browse/browse_types.h"

#include <string>
#include <vector>

enum class ListLineKind { Heading, Separator, Row };

// Line 0 of a list with a separator below it is the heading; every separator line is one.
ListLineKind KindOfListLine(const std::vector<std::string>& lines, int index);

// What line `index` of a list of `type` says. A heading says its column names; a row
// "Name value, Name value" with padding trimmed, empty fields and the unnamed fields past
// the last column left out; a line without columns (a message) says itself. A GROUPS
// member line says its group ("abrown, member of Domain Admins"), a NETWORK line what it
// is and what it is under ("Server \\DC1, under Domain VELLOX"). A separator says nothing.
std::string SpokenListLine(const std::vector<std::string>& lines, int index, DisplayType type);
