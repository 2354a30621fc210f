#pragma once
// Clicks on the main window's push buttons and check boxes and picks in its combo boxes.
// A change is stored in its setting and saved at once; what would touch live traffic is
// handed to the worker as a request (requests.h). GUI thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The row the user picked in a combo box's list, with its text.
struct ComboPick {
  std::int32_t row = -1;
  std::string text;
};

// Reads the picked row of a combo box; none when nothing is selected or the row cannot
// be read. May throw when its text cannot be converted.
using ComboPickReader = std::function<std::optional<ComboPick>(std::uint16_t controlId)>;

// The notification code of a combo box whose selection changed.
inline constexpr std::uint16_t selectionChanged = 1;

// One command: the control's id and notification code. True when a button, check box or
// combo box took it; otherwise (and after a failure, which is logged) the controls area is
// repainted and the command counts as not handled.
bool gf_handleCommand(std::uint16_t controlId, std::uint16_t notification, const ComboPickReader& readPick);
