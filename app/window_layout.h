#pragma once
// The main window's geometry and its 39 child controls, each bound to a setting: where
// each sits, how large it is, and whether it is usable right after creation.
#include <cstdint>
#include <string>
#include <vector>

// The client area the layout needs.
inline constexpr int clientWidth = 880;
inline constexpr int clientHeight = 476;

enum class ControlKind { checkBox, comboBox, editBox, button };

struct ControlLayout {
  ControlKind kind;
  std::string name;    // the setting's name, or the button's caption
  std::uint16_t id;    // child-window id, the setting's control id
  std::int32_t x;      // client coordinates
  std::int32_t y;      // the setting's row plus the offset of the kind
  std::int32_t width;  //
  std::int32_t height; // of a combo box: of its opened list
  bool enabledAtStart; // check and combo boxes are; edit boxes and buttons wait for the run
};

// In the order of creation.
const std::vector<ControlLayout>& gf_controlLayout();
// nullptr when the window has no control with that id.
const ControlLayout* gf_findControlLayout(std::uint16_t id);
