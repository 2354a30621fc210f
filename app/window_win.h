#pragma once
// The parts of the main window that the Win32 files share.
#include "app/commands.h"
#include "app/window_controls.h"

#include <cstdint>
#include <optional>
#include <windows.h>

// Creates the 39 child controls in the state the control model holds after creation.
void gf_createControls(HWND window, HINSTANCE instance);
// Brings one aspect of a control in line with the control model. GUI thread.
void gf_applyControlState(HWND window, std::uint16_t controlId, ControlAspect aspect);
// The row picked in a combo box, with its text.
std::optional<ComboPick> gf_readComboPick(HWND window, std::uint16_t controlId);
// The font of every caption and control of the window: small enough that every caption
// fits its place, the same on Windows and under Wine. Made once, kept until the end.
HFONT gf_windowFont();
// Carries out the paint of the main window into a paint's device context.
void gf_paintWindow(HDC dc);
// A handler of a window procedure failed: logged and shown on the status line, so that no
// exception leaves the procedure. Never throws.
void gf_reportHandlerFailure(const char* where, const char* what) noexcept;
