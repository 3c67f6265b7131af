// Drawing of the option lists onto ListSurface: a starry backdrop, navy panels with gold
// headings, a cursor bar, the capturing row marked, the outcome line and a hint of the keys.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/context.h"
#include "screens/option_screens.h"

namespace kq {

namespace {

constexpr uint32_t kGold = 0xFFC640;
constexpr uint32_t kWhite = 0xF4F6FF;
constexpr uint32_t kValue = 0xA8E4FF;
constexpr uint32_t kDim = 0x8290C0;
constexpr uint32_t kPanel = 0x121A44;
constexpr uint32_t kBorder = 0x5C7EE6;
constexpr uint32_t kCapture = 0xFF6A3C;
constexpr uint32_t kWarn = 0xFFA452;
constexpr uint32_t kGood = 0x8CF0A4;
constexpr uint32_t kBad = 0xFF8C84;

// The text's coverage spread by r pixels each way (an outline under the text), r pixels larger
// on every side.
Bitmap Dilated(const Bitmap& src, int r) {
  Bitmap out(src.Width + 2 * r, src.Height + 2 * r, 0);
  for (int y = 0; y < out.Height; ++y)
    for (int x = 0; x < out.Width; ++x) {
      uint32_t a = 0;
      for (int dy = -r; dy <= r; ++dy) {
        const int sy = y - r + dy;
        if (sy < 0 || sy >= src.Height) continue;
        for (int dx = -r; dx <= r; ++dx) {
          const int sx = x - r + dx;
          if (sx >= 0 && sx < src.Width) a = std::max(a, src.At(sx, sy) >> 24);
        }
      }
      out.At(x, y) = (a << 24) | 0xFFFFFFu;
    }
  return out;
}

size_t Utf8Len(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

class TListPainter {
 public:
  TListPainter(GameContext& g, TOptionScreens& o) : g_(g), o_(o), c_(g.ListSurface.EditPixels()) {}
  ~TListPainter() { g_.ListSurface.Touch(); }
  TListPainter(const TListPainter&) = delete;
  TListPainter& operator=(const TListPainter&) = delete;

  BitmapCanvas& Canvas() { return c_; }
  const TOptionScreens& O() const { return o_; }

  int LineHeight(bool title = false) const {
    const ITextRenderer* f = title ? O().TitleFont.get() : O().Font.get();
    if (f) return f->Height();
    const TPictureItem* f1 = g_.DXImageList1.Find("FONT1");
    return f1 ? f1->PatH() : 16;
  }

  int TextWidth(std::string_view s, bool title = false) const {
    const ITextRenderer* f = title ? O().TitleFont.get() : O().Font.get();
    if (f) return f->Measure(s).W;
    // The picture fonts: 10 pixels a byte, 20 for a multi-byte character.
    int w = 0;
    for (size_t i = 0; i < s.size(); i += Utf8Len(static_cast<unsigned char>(s[i])))
      w += static_cast<unsigned char>(s[i]) >= 0x80 ? 20 : 10;
    return w;
  }

  // Cuts the text to maxW pixels, ending it with "..".
  std::string Fit(std::string s, int maxW, bool title = false) const {
    if (maxW <= 0 || TextWidth(s, title) <= maxW) return s;
    while (!s.empty()) {
      size_t cut = s.size() - 1;
      while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
      s.resize(cut);
      if (TextWidth(s + "..", title) <= maxW) break;
    }
    return s + "..";
  }

  // Text with its top-left corner at (x, y); shadowed text gets a dark outline.
  void Text(int x, int y, std::string_view s, uint32_t rgb, bool title = false, bool outline = false) {
    if (s.empty()) return;
    const ITextRenderer* f = title ? O().TitleFont.get() : O().Font.get();
    TImage img;
    if (f) {
      img.SetPixels(f->Render(s, 0xFFFFFF));
    } else {
      Bitmap scratch(std::max(TextWidth(s), 1) + 20, LineHeight(), 0);
      BitmapCanvas sc(scratch);
      DrawGlyphText(g_, sc, 0, s, 0);
      img.SetPixels(std::move(scratch));
    }
    if (img.Pixels().Empty()) return;
    auto at = [&](const TImage& im, int dx, int dy, uint32_t colour) {
      c_.DrawImage(im, {0, 0, im.Width(), im.Height()},
                   {double(x + dx), double(y + dy), double(im.Width()), double(im.Height())}, 255,
                   BlendMode::Alpha, colour);
    };
    if (outline) at(TImage(Dilated(img.Pixels(), 2)), -2, -1, 0x1A0C04);
    at(img, 0, 0, rgb);
    if (title) at(img, 1, 0, rgb);  // the face has no bold: a second pass a pixel over
  }

  void Fill(const RectI& r, uint32_t rgb, uint8_t alpha = 255) {
    c_.FillRect(r, rgb, alpha, BlendMode::Alpha);
  }

  // A panel with rounded corners and a two-pixel border, drawn a row span at a time.
  void Panel(const RectI& r, uint32_t border, uint8_t fillAlpha = 232) {
    const int rad = 9;
    // Inset of a rounded rectangle's edge on row y (radius rr, rectangle q).
    auto inset = [](const RectI& q, int rr, int y) {
      int dy = y < q.Y + rr ? q.Y + rr - y : y >= q.Bottom() - rr ? y - (q.Bottom() - rr) + 1 : 0;
      if (dy <= 0) return 0;
      double dx = std::sqrt(std::max(0.0, double(rr * rr) - double(dy - 0.5) * double(dy - 0.5)));
      return rr - int(std::lround(dx));
    };
    const RectI inner{r.X + 2, r.Y + 2, r.W - 4, r.H - 4};
    for (int y = r.Y; y < r.Bottom(); ++y) {
      const int o = inset(r, rad, y), x0 = r.X + o, x1 = r.Right() - o;
      if (y < inner.Y || y >= inner.Bottom()) {
        Fill({x0, y, x1 - x0, 1}, border);
        continue;
      }
      const int i = inset(inner, rad - 2, y), i0 = inner.X + i, i1 = inner.Right() - i;
      Fill({x0, y, i0 - x0, 1}, border);
      Fill({i1, y, x1 - i1, 1}, border);
      Fill({i0, y, i1 - i0, 1}, kPanel, fillAlpha);
    }
  }

  // Heading text with a gold underline fading out to the right.
  void Heading(int x, int y, std::string_view s) {
    Text(x, y, s, kGold);
    const int w = std::max(TextWidth(s) + 40, 90);
    const int ly = y + LineHeight() + 1;
    for (int i = 0; i < w; ++i) Fill({x + i, ly, 1, 2}, kGold, uint8_t(230 - 200 * i / w));
  }

  // The cursor bar of a row; capturing rows glow orange.
  void Bar(const RectI& r, bool capturing) {
    const uint32_t colour = capturing ? kCapture : kGold;
    Fill(r, colour, capturing ? 96 : 60);
    Fill({r.X, r.Y, r.W, 1}, colour, 200);
    Fill({r.X, r.Bottom() - 1, r.W, 1}, colour, 200);
    // A small arrow head at the left end.
    const int cy = r.Y + r.H / 2;
    for (int i = 0; i < 5; ++i) Fill({r.X + 3 + i, cy - (4 - i), 1, 2 * (4 - i) + 1}, colour, 255);
  }

  // OK (left) or CANCEL (right) side by side under a list, centred on the screen.
  void Button(bool ok, int y, int h, std::string_view label, bool selected) {
    const RectI b{ok ? 320 - 150 : 320 + 10, y, 140, h};
    Panel(b, selected ? kGold : kBorder, selected ? 250 : 200);
    if (selected) Fill({b.X + 3, b.Y + 3, b.W - 6, b.H - 6}, kGold, 50);
    Text(b.X + (b.W - TextWidth(label)) / 2, b.Y + (b.H - LineHeight()) / 2, label,
         selected ? kGold : kWhite);
  }

  // The backdrop, caption and panels of a screen are the same on every redraw: drawn once,
  // then copied. False when they must be drawn now (the backdrop is).
  bool UseChrome(int screen) {
    const TOptionScreens& o = o_;
    // The caption is in the player's language: a change of language draws it again.
    // The caption is in the player's language: a change of language draws it again.
    chromeKey_ = int(CurrentLanguage()) * 1000000 + screen * 100000 + o.CellH * 10 + (o.Font ? 1 : 0);
    hasChrome_ = o.ChromeKey == chromeKey_ && o.Chrome.Width == g_.ListSurface.Width();
    if (hasChrome_)
      g_.ListSurface.EditPixels().Pixels = o.Chrome.Pixels;
    else
      Backdrop();
    return hasChrome_;
  }
  bool HasChrome() const { return hasChrome_; }
  void SaveChrome() {
    o_.Chrome = g_.ListSurface.Pixels();
    o_.ChromeKey = chromeKey_;
  }

  // Deep blue to violet, with a fixed sprinkle of stars.
  void Backdrop() {
    Bitmap& b = g_.ListSurface.EditPixels();
    for (int y = 0; y < b.Height; ++y) {
      const int t = y * 255 / std::max(b.Height - 1, 1);
      const uint32_t r = uint32_t(8 + 26 * t / 255), gr = uint32_t(12 + 8 * t / 255),
                     bl = uint32_t(40 + 34 * t / 255);
      const uint32_t px = 0xFF000000u | (r << 16) | (gr << 8) | bl;
      std::fill(b.Pixels.begin() + ptrdiff_t(y) * b.Width, b.Pixels.begin() + ptrdiff_t(y + 1) * b.Width, px);
    }
    uint32_t seed = 0x2545F491u;  // the same sky every time
    for (int i = 0; i < 90; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const int x = int((seed >> 8) % uint32_t(b.Width));
      seed = seed * 1664525u + 1013904223u;
      const int y = int((seed >> 8) % uint32_t(b.Height));
      const uint8_t a = uint8_t(70 + (seed >> 4) % 150);
      Fill({x, y, 1, 1}, 0xFFFFFF, a);
      if (i % 9 == 0) {
        Fill({x - 1, y, 3, 1}, 0xFFFFFF, uint8_t(a / 2));
        Fill({x, y - 1, 1, 3}, 0xFFFFFF, uint8_t(a / 2));
      }
    }
  }

  void Caption(std::string_view s) {
    const int w = TextWidth(s, true);
    Text((640 - w) / 2, 12, s, kGold, true, true);
  }

  // The outcome of the last action (or the row's help) and the key hint.
  void Footer(int y, std::string_view notice, TNoticeKind kind, std::string_view hint) {
    const uint32_t colour = kind == TNoticeKind::Good ? kGood : kind == TNoticeKind::Bad ? kBad : kDim;
    const int nw = TextWidth(notice);
    Text((640 - std::min(nw, 600)) / 2, y, Fit(std::string(notice), 600), colour);
    // A long list pushes the rule and the hint down, never onto the notice.
    const int rule = std::max(432, y + LineHeight() + 4);
    Fill({40, rule, 560, 1}, kBorder, 120);
    Text(40, rule + 8, Fit(std::string(hint), 500), kDim);
  }

 private:
  GameContext& g_;
  TOptionScreens& o_;
  BitmapCanvas c_;
  int chromeKey_ = 0;
  bool hasChrome_ = false;
};

// List rows the settings panel shows at most: the OK/CANCEL buttons, the notice and the key hint
// must fit under it. A longer list scrolls with the cursor.
int SettingsRowsShown(int cellH) {
  return std::max(3, (395 - 50 - 16) / std::max(cellH, 1));
}

void DrawSettings(const TOptionScreens& o, TListPainter& p, int cursor) {
  const int cw = o.CellW, ch = o.CellH;
  if (!p.UseChrome(scOptions)) p.Caption(_("OPTIONS"));
  // Rows up to PAD ASSIGN.. stack in the panel; OK and CANCEL sit side by side under it.
  std::vector<size_t> rows;  // list rows: indexes into Settings
  for (size_t i = 0; i < o.Settings.size(); ++i)
    if (o.Settings[i].Kind != TOptionRow::Ok && o.Settings[i].Kind != TOptionRow::Cancel) rows.push_back(i);
  const int listRows = int(rows.size());
  const int shown = std::min(listRows, SettingsRowsShown(ch));
  // The cursor's row stays in view: the list scrolls no further than it must.
  int top = 0;
  for (int r = 0; r < listRows; ++r)
    if (int(rows[size_t(r)]) == cursor) top = std::max(0, r - shown + 1);
  const RectI panel{100, 50, 440, shown * ch + 16};
  if (!p.HasChrome()) {
    p.Panel(panel, kBorder);
    p.SaveChrome();
  }
  const int labelX = panel.X + 16, valueX = panel.X + 16 + 22 * cw, valueW = panel.Right() - 16 - valueX;
  const int textDy = (ch - p.LineHeight()) / 2;
  const int buttonsY = panel.Bottom() + 8;
  for (size_t i = 0; i < o.Settings.size(); ++i) {
    const TOptionItem& it = o.Settings[i];
    if (it.Kind == TOptionRow::Ok || it.Kind == TOptionRow::Cancel)
      p.Button(it.Kind == TOptionRow::Ok, buttonsY, ch + 8, Tr(it.Label), int(i) == cursor);
  }
  for (int r = top; r < top + shown; ++r) {
    const size_t i = rows[size_t(r)];
    const TOptionItem& it = o.Settings[i];
    const bool selected = int(i) == cursor;
    const int y = panel.Y + 8 + (r - top) * ch;
    if (it.Kind == TOptionRow::Heading) {
      p.Heading(labelX - 8, y + textDy - 1, Tr(it.Label));
      continue;
    }
    if (selected) p.Bar({panel.X + 6, y, panel.W - 12, ch}, false);
    p.Text(labelX, y + textDy, p.Fit(Tr(it.Label), valueX - labelX - cw), kWhite);
    std::string value;
    uint32_t colour = kValue;
    if (it.Kind == TOptionRow::Toggle) {
      value = OptionToggleValue(it) ? _("ON") : _("OFF");
      if (!OptionToggleValue(it)) colour = kDim;
    } else if (it.Kind == TOptionRow::Cpu) {
      value = "< " + CpuLevelText(it.Selected) + " >";
      if (it.Selected == 0) colour = kDim;
    } else if (it.Kind == TOptionRow::Level) {
      // A gauge of ten steps and the number.
      value = "< " + std::string(size_t(it.Selected), '|') +
              std::string(size_t(kMaxVolume - it.Selected), '.') + " " + std::to_string(it.Selected) + " >";
      if (it.Selected == 0) colour = kDim;
    } else if (it.Kind == TOptionRow::Language) {
      value = "< " + LanguageChoiceText(it.Selected) + " >";
    } else if (it.Kind == TOptionRow::Server) {
      value = o.ServerEdit.empty() ? _("NONE") : p.Fit(o.ServerEdit, valueW);
      if (o.ServerEdit.empty()) colour = kDim;
    } else if (it.Kind == TOptionRow::Pad) {
      const std::string name = o.PadChoices[size_t(it.Player)].empty()
                                   ? std::string()
                                   : o.PadChoices[size_t(it.Player)][size_t(it.Selected)];
      bool connected = name.empty();
      for (const auto& seen : o.SeenPads)
        if (!name.empty() && SameText(seen, name)) connected = true;
      value = name.empty() ? Tr("none") : name;
      if (!connected) {
        value += Tr(" (not connected)");
        colour = kWarn;
      }
      value = "< " + p.Fit(value, valueW - p.TextWidth("<  >")) + " >";
    } else {
      value = ">";
      colour = kDim;
    }
    p.Text(valueX, y + textDy, value, colour);
  }
  // More rows above or below: small arrow heads at the panel's right edge.
  const int ax = panel.Right() - 14;
  if (top > 0)
    for (int k = 0; k < 4; ++k) p.Fill({ax - k, panel.Y + 3 + k, 2 * k + 1, 1}, kGold, 220);
  if (top + shown < listRows)
    for (int k = 0; k < 4; ++k) p.Fill({ax - k, panel.Bottom() - 4 - k, 2 * k + 1, 1}, kGold, 220);
  const TOptionItem& cur = o.Settings[size_t(cursor)];
  p.Footer(buttonsY + ch + 12, o.Notice.empty() ? Tr(cur.Help) : o.Notice,
           o.Notice.empty() ? TNoticeKind::None : o.NoticeKind,
           Tr("UP/DOWN: select   LEFT/RIGHT, RETURN: change   ESC: cancel"));
}

void DrawAssign(GameContext& g, const TOptionScreens& o, TListPainter& p, bool padList, int cursor,
                bool capturingNow) {
  const int cw = o.CellW, ch = o.CellH;
  if (!p.UseChrome(padList ? scPadAssign : scKeyAssign))
    p.Caption(padList ? _("PAD ASSIGN") : _("KEY ASSIGN"));
  const int textDy = (ch - p.LineHeight()) / 2;
  const RectI panels[2] = {{8, 60, 308, (kAssignControls + 1) * ch + 16},
                           {324, 60, 308, (kAssignControls + 1) * ch + 16}};
  if (!p.HasChrome()) {
    for (const auto& r : panels) p.Panel(r, kBorder);
    p.SaveChrome();
  }
  // Labels are at most 21 cells (a blank and ten wide characters).
  const int labelDx = 12, valueDx = labelDx + 21 * cw + cw;
  const int buttonsY = panels[0].Bottom() + 12;
  for (size_t i = 0; i < o.Assign.size(); ++i) {
    const TAssignItem& it = o.Assign[i];
    const bool selected = int(i) == cursor;
    if (it.Kind == TAssignRow::Ok || it.Kind == TAssignRow::Cancel) {
      p.Button(it.Kind == TAssignRow::Ok, buttonsY, ch + 8, Tr(it.Label), selected);
      continue;
    }
    const RectI& panel = panels[it.Player];
    const int y = panel.Y + 8 + (it.Kind == TAssignRow::Heading ? 0 : it.Control + 1) * ch;
    if (it.Kind == TAssignRow::Heading) {
      p.Heading(panel.X + labelDx - 4, y + textDy - 1, Tr(it.Label));
      std::string source = Tr("keyboard");
      if (padList) {
        const std::string name = OptionPadChoice(o, it.Player);
        bool connected = false;
        for (const auto& seen : o.SeenPads)
          if (!name.empty() && SameText(seen, name)) connected = true;
        source = name.empty() ? Tr("no pad chosen") : connected ? name : name + Tr(" (not connected)");
      }
      const int maxW = panel.W - 24 - p.TextWidth(Tr(it.Label)) - 48;
      const std::string shown = p.Fit(source, maxW);
      p.Text(panel.Right() - 12 - p.TextWidth(shown), y + textDy, shown, kDim);
      continue;
    }
    const bool capturing = selected && capturingNow;
    if (selected) p.Bar({panel.X + 6, y, panel.W - 12, ch}, capturing);
    p.Text(panel.X + labelDx, y + textDy, Tr(it.Label), kWhite);
    std::string value = AssignValueText(g, it, padList);
    uint32_t colour = kValue;
    if (capturing) {
      value = padList ? Tr("PRESS A BUTTON") : Tr("PRESS A KEY");
      colour = kGold;
    } else if (padList && it.Control < 4) {
      colour = kDim;  // the stick is fixed
    } else if (AssignOverridden(o.KeyEdit[size_t(it.Player)], it.Control)) {
      value += " *";
      colour = kWarn;
    }
    p.Text(panel.X + valueDx, y + textDy, p.Fit(value, panel.W - valueDx - 10), colour);
  }
  std::string help = o.Notice;
  TNoticeKind kind = o.NoticeKind;
  if (help.empty()) {
    bool shared = AssignOverridden(o.KeyEdit[0], 4) || AssignOverridden(o.KeyEdit[0], 5) ||
                  AssignOverridden(o.KeyEdit[0], 6) || AssignOverridden(o.KeyEdit[1], 4) ||
                  AssignOverridden(o.KeyEdit[1], 5) || AssignOverridden(o.KeyEdit[1], 6);
    if (shared) {
      help = Tr("* shares its button with a later row: that row's key wins");
      kind = TNoticeKind::Bad;
    } else if (padList) {
      help = Tr("Directions always come from the stick, the hat or the d-pad");
    }
  }
  p.Footer(buttonsY + ch + 24, help, kind,
           capturingNow ? (padList ? Tr("Press a pad button   ESC: keep the old one")
                                   : Tr("Press a key   ESC: keep the old one"))
                        : Tr("UP/DOWN, LEFT/RIGHT: select   RETURN: assign   ESC: back"));
}

}  // namespace

void MeasureOptionFont(GameContext& g, std::unique_ptr<ITextRenderer> list,
                       std::unique_ptr<ITextRenderer> title) {
  TOptionScreens* lists = FindOptionLists(g);
  if (!lists) return;
  TOptionScreens& o = *lists;
  o.Font = std::move(list);
  o.TitleFont = o.Font ? std::move(title) : nullptr;
  if (o.Font) {
    TTextSize a = o.Font->Measure("A");
    o.CellW = a.W + 1;
    o.CellH = a.H + 5;
  } else {
    const TPictureItem* f1 = g.DXImageList1.Find("FONT1");
    o.CellW = 10;  // the picture fonts advance 10 pixels a character
    o.CellH = (f1 ? f1->PatH() : 16) + 5;
  }
}

void DrawOptionList(GameContext& g, TOptionScreens& o, int screen, int cursor, bool capturing) {
  Bitmap& b = g.ListSurface.EditPixels();
  std::fill(b.Pixels.begin(), b.Pixels.end(), 0u);
  TListPainter p(g, o);
  if (screen == scOptions && !o.Settings.empty())
    DrawSettings(o, p, cursor);
  else if ((screen == scKeyAssign || screen == scPadAssign) && !o.Assign.empty())
    DrawAssign(g, o, p, screen == scPadAssign, cursor, capturing);
}

}  // namespace kq
