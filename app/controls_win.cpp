// The main window's child controls: creation, the edit boxes' procedures, and applying
// the control model to the real controls.
#include "app/edit_boxes.h"
#include "app/window_layout.h"
#include "app/window_win.h"
#include "core/errors.h"
#include "core/log.h"
#include "core/shell/repaint.h"
#include "core/utf16_win.h"

#include <fmt/format.h>
#include <map>
#include <string>

namespace {

// The procedures the edit boxes had before they were given ours. GUI thread only.
std::map<std::uint16_t, WNDPROC> previousEditProcs;

// At most 1022 characters of a box; a text that is no valid UTF-16 reads as empty.
std::string lf_boxText(HWND box) {
  wchar_t buffer[1023] = {};
  const int length = GetWindowTextW(box, buffer, 1023);
  try {
    return gf_wideToUtf8(std::wstring_view(buffer, length > 0 ? length : 0));
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} {}", "lf_getTextFromId", e.what()));
    return {};
  }
}

// Enter takes the box's text; everything else goes to the box's own procedure.
LRESULT CALLBACK lf_editProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto id = static_cast<std::uint16_t>(GetDlgCtrlID(box));
  if (message == WM_CHAR && wParam == 13) {
    try {
      gf_enterEditText(id, lf_boxText(box));
    } catch (const std::exception& e) {
      gf_reportHandlerFailure("edit box", e.what());
    } catch (...) {
      gf_reportHandlerFailure("edit box", "of unknown type");
    }
    return 0;
  }
  const auto found = previousEditProcs.find(id);
  if (found == previousEditProcs.end()) return DefWindowProcW(box, message, wParam, lParam);
  return CallWindowProcW(found->second, box, message, wParam, lParam);
}

HWND lf_createChild(HWND window, HINSTANCE instance, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                    const ControlLayout& c) {
  return CreateWindowExW(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, c.x, c.y, c.width, c.height,
                         window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
}

void lf_applyAll(HWND window, const ControlLayout& c) {
  gf_applyControlState(window, c.id, ControlAspect::enabled);
  switch (c.kind) {
  case ControlKind::checkBox:
    gf_applyControlState(window, c.id, ControlAspect::check);
    break;
  case ControlKind::comboBox:
    gf_applyControlState(window, c.id, ControlAspect::rows);
    break;
  case ControlKind::editBox:
    gf_applyControlState(window, c.id, ControlAspect::text);
    break;
  case ControlKind::button:
    break;
  }
}

} // namespace

void gf_createControls(HWND window, HINSTANCE instance) {
  windowControls.resetToCreation();
  for (const auto& c : gf_controlLayout()) {
    HWND control = nullptr;
    switch (c.kind) {
    case ControlKind::checkBox:
      // Not an automatic check box: the handler turns the tick together with the setting.
      control = lf_createChild(window, instance, L"BUTTON", L"", BS_CHECKBOX, c);
      break;
    case ControlKind::button:
      control = lf_createChild(window, instance, L"BUTTON", gf_utf8ToWide(c.name), BS_DEFPUSHBUTTON, c);
      break;
    case ControlKind::comboBox:
      control = lf_createChild(window, instance, L"COMBOBOX", L"", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, c);
      break;
    case ControlKind::editBox:
      // Scrolls its text: without that a box refuses a text wider than itself, and the
      // destination and number boxes are only 50 and 34 pixels wide.
      control = lf_createChild(window, instance, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, c);
      if (control != nullptr)
        previousEditProcs[c.id] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(lf_editProc)));
      break;
    }
    if (control == nullptr) continue;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(gf_windowFont()), FALSE);
    lf_applyAll(window, c);
  }
  gf_requestRepaint(settingsBandRect);
}

void gf_applyControlState(HWND window, std::uint16_t controlId, ControlAspect aspect) {
  const auto state = windowControls.state(controlId);
  HWND control = window != nullptr ? GetDlgItem(window, controlId) : nullptr;
  if (!state || control == nullptr) {
    gf_log(fmt::format("GetDlgItem failed for ID {}", controlId));
    return;
  }
  try {
    switch (aspect) {
    case ControlAspect::check:
      SendMessageW(control, BM_SETCHECK, state->checked ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlAspect::rows:
      SendMessageW(control, CB_RESETCONTENT, 0, 0);
      for (const auto& row : state->rows)
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gf_utf8ToWide(row).c_str()));
      SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(state->selectedRow), 0);
      break;
    case ControlAspect::selection:
      SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(state->selectedRow), 0);
      break;
    case ControlAspect::text:
      SetWindowTextW(control, gf_utf8ToWide(state->text).c_str());
      break;
    case ControlAspect::enabled:
      EnableWindow(control, state->enabled ? TRUE : FALSE);
      break;
    }
  } catch (const win32::Utf8ConversionException& e) {
    gf_log(fmt::format("Utf8ConversionException: {}", e.what()));
  }
}

std::optional<ComboPick> gf_readComboPick(HWND window, std::uint16_t controlId) {
  HWND combo = GetDlgItem(window, controlId);
  if (combo == nullptr) return std::nullopt;
  const LRESULT row = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (row == CB_ERR) return std::nullopt;
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == CB_ERR || length >= 256) return std::nullopt;
  wchar_t buffer[256] = {};
  if (SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer)) == CB_ERR)
    return std::nullopt;
  return ComboPick{static_cast<std::int32_t>(row), gf_wideToUtf8(buffer)};
}
