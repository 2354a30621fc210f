// Carries out the main window's drawing operations with GDI.
#include "app/painting.h"
#include "app/window_win.h"

#include <map>
#include <tuple>

namespace {

COLORREF lf_rgb(const Colour& c) { return RGB(c.red, c.green, c.blue); }

// One solid brush and one pen per colour, made on first use and kept until the program ends.
class GdiObjects {
public:
  HBRUSH brush(const Colour& c) {
    auto& brush = brushes_[lf_key(c)];
    if (brush == nullptr) brush = CreateSolidBrush(lf_rgb(c));
    return brush;
  }
  HPEN pen(const Colour& c) {
    auto& pen = pens_[lf_key(c)];
    if (pen == nullptr) pen = CreatePen(PS_SOLID, 1, lf_rgb(c));
    return pen;
  }

private:
  static std::tuple<int, int, int> lf_key(const Colour& c) { return {c.red, c.green, c.blue}; }
  std::map<std::tuple<int, int, int>, HBRUSH> brushes_;
  std::map<std::tuple<int, int, int>, HPEN> pens_;
};

GdiObjects& lf_gdi() {
  static GdiObjects objects;
  return objects;
}

} // namespace

HFONT gf_windowFont() {
  // Tahoma at 8 points (11 pixels at 96 dpi), the dialog font of Windows, which Wine has too.
  static const HFONT font =
      CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  return font;
}

void gf_paintWindow(HDC dc) {
  const auto ops = gf_paintOps(gf_paintInput());
  auto& gdi = lf_gdi();
  const HGDIOBJ originalPen = GetCurrentObject(dc, OBJ_PEN);
  const HGDIOBJ originalFont = SelectObject(dc, gf_windowFont());
  SetBkMode(dc, TRANSPARENT);
  for (const auto& op : ops) {
    switch (op.kind) {
    case DrawKind::fill: {
      const RECT area{op.left, op.top, op.right, op.bottom};
      FillRect(dc, &area, gdi.brush(op.colour));
      break;
    }
    case DrawKind::line:
      SelectObject(dc, gdi.pen(op.colour));
      MoveToEx(dc, op.left, op.top, nullptr);
      LineTo(dc, op.right, op.bottom);
      break;
    case DrawKind::text:
      if (op.text.empty()) break;
      if (const auto text = gf_textForDrawing(op.text)) {
        SetTextColor(dc, lf_rgb(op.colour));
        TextOutW(dc, op.left, op.top, reinterpret_cast<const wchar_t*>(text->c_str()), static_cast<int>(text->size()));
      }
      break;
    }
  }
  SelectObject(dc, originalPen);
  SelectObject(dc, originalFont);
}
