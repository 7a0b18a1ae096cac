// Resource numbers and texts of the About box (dialog 100) and the contact box
// (dialog 148).
#pragma once

namespace fx {
struct ResourceSet;
}

namespace res {

inline constexpr unsigned IDD_ABOUTBOX = 100;
inline constexpr unsigned IDD_CONTACT = 148;

// Controls of dialog 100.
inline constexpr int IDC_HISTORY = 1009;
inline constexpr int IDC_VERSION = 1074;
inline constexpr int IDC_BUILD = 1075;

// Dialog 148: the black vertical rule between the pictures and the texts.
inline constexpr int IDC_CONTACT_RULE = 1076;

// Client-pixel placement of the pictures in the contact box.
inline constexpr int kFigureX = 0;
inline constexpr int kFigureY = 5;
inline constexpr int kFigureWidth = 160;
inline constexpr int kFigureHeight = 260;
inline constexpr int kWordmarkX = 10;
inline constexpr int kWordmarkY = 217;
inline constexpr int kWordmarkWidth = 130;
inline constexpr int kWordmarkHeight = 55;

// The About box's release history: the heading, then one line per build, oldest first.
inline constexpr char STR_HISTORY_HEADING[] =
    "HISTORY------------------------------------------------------------------------------";
inline constexpr const char* HISTORY_LINES[] = {
    "14-03-25   BUILD 001", "02-05-25   BUILD 002", "19-06-25   BUILD 003", "08-08-25   BUILD 004",
    "27-09-25   BUILD 005", "15-11-25   BUILD 006", "12-01-26   BUILD 007",
};

// Adds dialogs 100 and 148 to the program's resources.
void AddAboutResources(fx::ResourceSet& set);

}  // namespace res
