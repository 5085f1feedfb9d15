#pragma once
// The schedule editor's fixed texts and where its controls sit: the grid rows,
// the place of each mode label, and the captions in both languages.
#include <span>

namespace select_alarm {

// Rows of the grid; column 0 holds the labels.
inline constexpr int ROW_ACTION = 0, ROW_MODE = 1, ROW_DAYS = 2, ROW_FIRST = 3, ROW_SECOND = 4, ROW_CURRENT = 5;

struct Cell {
  int row, column;
};

// Each mode label has one place, beside the input it names.
Cell LabelCell(int id);

struct LabelText {
  int id;
  const char *zh;
  const char *en;
};
// Captions of the labels, weekday boxes and buttons.
std::span<const LabelText> Labels();

inline constexpr const char *ACTIONS_ZH[] = {"禁用", "开机", "关机"};
inline constexpr const char *ACTIONS_EN[] = {"Disable", "Power-On", "Power-Off"};

} // namespace select_alarm
