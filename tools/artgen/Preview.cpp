#include "Preview.h"

#include "Chrome.h"
#include "Keypad.h"

#include <QLinearGradient>
#include <QPainter>

namespace art {

namespace {

enum class buttonStyle { Flat, Highlight, Normal, Raised };

// The image a shaped picture button shows: the glyph drawn at an offset,
// then every background pixel recoloured by its place next to the shape.
QImage renderState(const QImage &glyph, buttonStyle style, bool down, QRgb c) {
  const int w = glyph.width(), h = glyph.height();
  QImage t(w, h, QImage::Format_RGB32);
  t.fill(Qt::white);
  const QRgb bg = glyph.pixel(0, 0);
  const QRgb transparent = glyph.pixel(0, h - 1);
  const int o = down ? 1 : (style == buttonStyle::Raised ? -1 : 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb px = glyph.pixel(x, y);
      const int tx = x + o, ty = y + o;
      if (px != transparent && tx >= 0 && ty >= 0 && tx < w && ty < h)
        t.setPixel(tx, ty, px);
    }
  auto isBg = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < w && y < h && glyph.pixel(x, y) == bg;
  };
  auto set = [&](int x, int y, QRgb v) {
    if (x >= 0 && y >= 0 && x < w && y < h)
      t.setPixel(x, y, v);
  };
  const QRgb grey = qRgb(0x80, 0x80, 0x80), white = qRgb(255, 255, 255),
             black = qRgb(0, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!isBg(x, y))
        continue;
      int kind = 1;
      if (!isBg(x - 1, y - 1))
        kind = 2;
      if (!isBg(x + 1, y + 1))
        kind = 3;
      switch (style) {
      case buttonStyle::Flat:
      case buttonStyle::Highlight:
        if (!down) {
          set(x, y, kind == 1 ? c : kind == 2 ? grey : white);
          if (style == buttonStyle::Flat)
            set(x, y, c);
        } else if (kind == 1) {
          set(x, y, c);
        } else if (kind == 2) {
          set(x, y, white);
        } else {
          set(x, y, black);
          set(x + 1, y + 1, black);
        }
        break;
      case buttonStyle::Normal:
        if (!down || kind != 3)
          set(x, y, c);
        break;
      case buttonStyle::Raised:
        if (down) {
          set(x + 1, y + 1, c);
        } else if (kind == 1) {
          set(x, y, c);
        } else if (kind == 2) {
          set(x, y, bg);
          set(x - 1, y, bg);
          set(x, y - 1, bg);
          set(x - 1, y - 1, bg);
        }
        break;
      }
    }
  return t;
}

// Paints a button at (left, top) of the canvas: only inside its shape
// (the face grown by one pixel) and inside its own rectangle.
void paintButton(QImage &canvas, QPoint origin, const Glyph &g, int width,
                 int height, buttonStyle style, bool down, QRgb c) {
  const QImage img = renderState(g.image, style, down, c);
  const QImage region = grow(g.mask);
  for (int y = 0; y < std::min(height, img.height()); ++y)
    for (int x = 0; x < std::min(width, img.width()); ++x) {
      if (!maskAt(region, x, y))
        continue;
      const QPoint p = origin + QPoint(x, y);
      if (canvas.rect().contains(p))
        canvas.setPixel(p, img.pixel(x, y));
    }
}

const Glyph &glyph(const ArtSet &set, const QString &name) {
  static const Glyph empty;
  auto it = set.glyphs.find(name);
  if (it == set.glyphs.end()) {
    fail(QStringLiteral("preview: glyph %1 missing").arg(name));
    return empty;
  }
  return it->second;
}

void label(QPainter &p, QPoint at, const QString &text, const QFont &f,
           const QColor &c = Qt::black) {
  p.setFont(f);
  p.setPen(c);
  const QFontMetrics fm(f);
  p.drawText(at + QPoint(0, fm.ascent()), text);
}

// A fake phone screen so the two views do not stay white in the preview.
QImage fakeScreen() {
  QImage s(176, 208, QImage::Format_RGB32);
  QPainter p(&s);
  QLinearGradient g(0, 0, 0, 208);
  g.setColorAt(0, QColor(36, 92, 170));
  g.setColorAt(1, QColor(12, 40, 90));
  p.fillRect(s.rect(), g);
  p.fillRect(QRect(0, 0, 176, 14), QColor(20, 20, 30));
  p.setPen(Qt::white);
  p.setFont(uiFont("Tahoma", 10));
  p.drawText(QRect(4, 0, 168, 14), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("12:45"));
  p.drawText(QRect(4, 0, 168, 14), Qt::AlignVCenter | Qt::AlignRight,
             QStringLiteral("Operator"));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      p.setBrush(QColor(240, 240, 250, 200));
      p.setPen(Qt::NoPen);
      p.drawRoundedRect(QRect(18 + j * 52, 34 + i * 52, 36, 36), 8, 8);
    }
  p.fillRect(QRect(0, 190, 176, 18), QColor(20, 20, 30));
  p.setPen(Qt::white);
  p.drawText(QRect(4, 190, 168, 18), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("Options"));
  p.drawText(QRect(4, 190, 168, 18), Qt::AlignVCenter | Qt::AlignRight,
             QStringLiteral("Exit"));
  return s;
}

} // namespace

QImage composePreview(const ArtSet &set, PreviewState state) {
  const bool open = state == PreviewState::open;
  QImage canvas(625, 669, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  const QPoint bar(6, 23), zone(6, 69);
  {
    QPainter p(&canvas);
    // The menu as tool-bar buttons.
    const char *menus[] = {"Connection", "Tools", "Help"};
    p.setFont(uiFont("Verdana", 11));
    p.setPen(Qt::black);
    for (int i = 0; i < 3; ++i)
      p.drawText(QRect(7 + 71 * i, 0, 71, 21), Qt::AlignCenter,
                 QString::fromLatin1(menus[i]));
    p.drawImage(zone, set[QStringLiteral("workzone.png")]);
    p.drawImage(bar, set[QStringLiteral("controlbar.png")]);
    if (open) {
      p.drawImage(bar + kLedRect.topLeft(), set[QStringLiteral("led_2.png")]);
      const QImage screen = fakeScreen();
      p.drawImage(zone + QPoint(18, 25), screen);
      p.drawImage(zone + QPoint(236, 25), screen.scaled(352, 416));
    }
    p.drawImage(zone + QPoint(kKeypadLeft, kKeypadTop),
                set[QStringLiteral("keypad.png")]);
    // Cover over the quick-text box, its picture at -1,-1 of the panel.
    p.save();
    p.setClipRect(QRect(zone + QPoint(15, 493), QSize(578, 72)));
    p.drawImage(zone + QPoint(14, 492),
                set[QStringLiteral("quicktext_cover.png")]);
    p.restore();

    const QFont times = uiFont("Times New Roman", 11);
    const QFont tahoma = uiFont("Tahoma", 11);
    QFont tahomaBold = uiFont("Tahoma", 11, true);
    if (open) {
      label(p, zone + QPoint(56, 10), QStringLiteral("Nokia 6600"), times);
      label(p, zone + QPoint(240, 442), QStringLiteral("Screenshot saved"),
            tahoma);
    }
    label(p, zone + QPoint(235, 10), QStringLiteral("Zoom x2"), tahoma);
    label(p, zone + QPoint(21, 475), QStringLiteral("Quick text"), tahomaBold,
          QColor(85, 85, 85));
    // Check box, its label and the Send button as the toolkit draws them.
    const QRect box(zone + QPoint(15 + 2, 568 + 2), QSize(13, 13));
    p.fillRect(box, Qt::white);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    label(p, zone + QPoint(36, 568), QStringLiteral("Enabled"), tahoma);
    const QRect send(zone + QPoint(520, 568), QSize(72, 20));
    p.fillRect(send, QColor(240, 240, 240));
    p.setPen(QColor(160, 160, 160));
    p.drawRect(send.adjusted(0, 0, -1, -1));
    p.setFont(tahoma);
    p.drawText(send, Qt::AlignCenter, QStringLiteral("Send"));
  }

  // Keypad buttons; the panel's colour is the window colour, white.
  for (const KeyDef &k : keyTable())
    paintButton(canvas, zone + QPoint(kKeypadLeft + k.left, kKeypadTop + k.top),
                glyph(set, QStringLiteral("key_%1.png").arg(k.name)), k.width,
                k.height, k.raised ? buttonStyle::Raised : buttonStyle::Normal,
                false, qRgb(255, 255, 255));
  // Control-bar buttons on a panel of the toolkit's button colour.
  const QRgb barColour = qRgb(239, 239, 239);
  for (const BarButton &b : barButtons()) {
    const bool down = QLatin1String(b.file) == QLatin1String("btn_stop.png");
    paintButton(canvas, bar + QPoint(b.left, b.top),
                glyph(set, QString::fromLatin1(b.file)), b.width, b.height,
                buttonStyle::Highlight, down, barColour);
  }
  for (const BarButton &b : barIndicators()) {
    if (open && QLatin1String(b.file) == QLatin1String("ind_cable.png"))
      continue; // the link in use shows its coloured icon
    paintButton(canvas, bar + QPoint(b.left, b.top),
                glyph(set, QString::fromLatin1(b.file)), b.width, b.height,
                buttonStyle::Normal, true, barColour);
  }
  return canvas;
}

} // namespace art
