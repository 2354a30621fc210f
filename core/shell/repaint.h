#pragma once
// Other threads never touch the window: they change the display state and ask the GUI
// thread to repaint an area. The window installs the handler when it exists.
struct PaintRect {
  int left;
  int top;
  int right;
  int bottom;
  bool operator==(const PaintRect&) const = default;
};

// The whole client area of the main window, and its bands.
inline constexpr PaintRect clientRect{0, 0, 880, 476};
inline constexpr PaintRect topBandRect{0, 28, 880, 112};
inline constexpr PaintRect settingsBandRect{0, 112, 880, 392};
inline constexpr PaintRect parkBandRect{0, 392, 880, 448};
inline constexpr PaintRect statusRect{0, 448, 880, 476};

using RepaintHandler = void (*)(const PaintRect& area, bool erase);

// Thread-safe; a null handler (no window yet) drops the requests.
void gf_setRepaintHandler(RepaintHandler handler);
void gf_requestRepaint(const PaintRect& area, bool erase = true);
