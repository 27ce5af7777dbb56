#pragma once

#include <array>
#include <string_view>

#include "app/ways.h"

namespace adreca::app {

// Positions and sizes are in twips: 1,440 per inch, 15 per pixel at 96 DPI.
inline constexpr int kTwipsPerPixelAt96Dpi = 15;

struct WindowLayout {
  std::u16string_view title;
  int client_left, client_top, client_width, client_height;
  std::u16string_view font_face;
  int font_points;
  int font_weight;
};

inline constexpr WindowLayout kWindow{u"ADRE\u00c7A MAC", 60, 345, 9045, 3495, u"Lucida Console", 18, 400};

// What the program does, as the window describes itself to screen readers.
inline constexpr std::u16string_view kWindowDescription =
    u"Finds the physical (MAC) address of the computer's network adapter in five ways and shows the five "
    u"results side by side.";

enum class ControlKind { kButton, kTextBox };
enum class Column { kButton, kAddress, kStatus };

// Where one control stands and when the Tab key reaches it. A button's
// caption is its row's way's (ways.h); text boxes start empty.
struct ControlLayout {
  std::string_view name;
  ControlKind kind;
  int row;  // counted from 1, a way's row
  Column column;
  int left, top, width, height;
  int tab_index;
};

inline constexpr int kControlHeight = 495;

// A button, an address box and a status box for each way, row by row.
inline constexpr std::array<ControlLayout, 15> kControls{{
    {"Command1", ControlKind::kButton, 1, Column::kButton, 120, 120, 2655, kControlHeight, 0},
    {"Mac1", ControlKind::kTextBox, 1, Column::kAddress, 3360, 120, 3735, kControlHeight, 1},
    {"Stat1", ControlKind::kTextBox, 1, Column::kStatus, 7440, 120, 1455, kControlHeight, 8},
    {"Command2", ControlKind::kButton, 2, Column::kButton, 120, 720, 2655, kControlHeight, 3},
    {"Mac2", ControlKind::kTextBox, 2, Column::kAddress, 3360, 720, 3735, kControlHeight, 2},
    {"Stat2", ControlKind::kTextBox, 2, Column::kStatus, 7440, 720, 1455, kControlHeight, 9},
    {"Command3", ControlKind::kButton, 3, Column::kButton, 120, 1320, 2655, kControlHeight, 4},
    {"Mac3", ControlKind::kTextBox, 3, Column::kAddress, 3360, 1320, 3735, kControlHeight, 5},
    {"Stat3", ControlKind::kTextBox, 3, Column::kStatus, 7440, 1320, 1455, kControlHeight, 10},
    {"Command4", ControlKind::kButton, 4, Column::kButton, 120, 1920, 2655, kControlHeight, 6},
    {"Mac4", ControlKind::kTextBox, 4, Column::kAddress, 3360, 1920, 3735, kControlHeight, 7},
    {"Stat4", ControlKind::kTextBox, 4, Column::kStatus, 7440, 1920, 1455, kControlHeight, 11},
    {"Command5", ControlKind::kButton, 5, Column::kButton, 120, 2520, 2655, kControlHeight, 13},
    {"Mac5", ControlKind::kTextBox, 5, Column::kAddress, 3360, 2520, 3735, kControlHeight, 12},
    {"Stat5", ControlKind::kTextBox, 5, Column::kStatus, 7440, 2520, 1455, kControlHeight, 14},
}};

static_assert(kControls.size() == 3 * kWays.size(), "a row of three controls for each way");

// The control of a row and column.
constexpr const ControlLayout& LayoutOf(int row, Column column) {
  for (const ControlLayout& control : kControls) {
    if (control.row == row && control.column == column) return control;
  }
  return kControls.front();  // no such row: not reached for the ways' rows
}

// Converts twips to pixels at the given dots per inch, rounded to nearest.
constexpr int TwipsToPixels(int twips, int dots_per_inch) { return (twips * dots_per_inch + 720) / 1440; }

}  // namespace adreca::app
