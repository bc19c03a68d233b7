#include "ArtCommon.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace art {

namespace {
QStringList &failureList() {
  static QStringList list;
  return list;
}
} // namespace

QFont uiFont(const char *family, int pixelSize, bool bold) {
  QFont f(QString::fromLatin1(family));
  f.setPixelSize(pixelSize);
  f.setWeight(bold ? QFont::Bold : QFont::Normal);
  f.setStyleStrategy(QFont::PreferAntialias);
  f.setHintingPreference(QFont::PreferVerticalHinting);
  return f;
}

QImage rgbImage(int w, int h, const QColor &fill) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(fill);
  return img;
}

QImage argbImage(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

QColor mix(const QColor &a, const QColor &b, double t) {
  auto lerp = [t](int x, int y) {
    return std::clamp(int(x + (y - x) * t + 0.5), 0, 255);
  };
  return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()),
                lerp(a.blue(), b.blue()), lerp(a.alpha(), b.alpha()));
}

QColor grey(const QColor &c) {
  const int l = std::clamp(
      int(0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue() + 0.5), 0,
      255);
  return QColor(l, l, l, c.alpha());
}

QImage coverage(int w, int h, const QPainterPath &path) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, Qt::black);
  }
  QImage out(w, h, QImage::Format_Grayscale8);
  for (int y = 0; y < h; ++y) {
    const QRgb *src = reinterpret_cast<const QRgb *>(img.constScanLine(y));
    uchar *dst = out.scanLine(y);
    for (int x = 0; x < w; ++x)
      dst[x] = uchar(qAlpha(src[x]));
  }
  return out;
}

QImage faceMask(int w, int h, const QPainterPath &path) {
  QImage m = coverage(w, h, path);
  for (int y = 0; y < h; ++y) {
    uchar *row = m.scanLine(y);
    for (int x = 0; x < w; ++x)
      row[x] = row[x] ? 255 : 0;
  }
  return m;
}

bool maskAt(const QImage &mask, int x, int y) {
  if (x < 0 || y < 0 || x >= mask.width() || y >= mask.height())
    return false;
  return mask.constScanLine(y)[x] != 0;
}

QImage grow(const QImage &mask) {
  QImage out(mask.size(), QImage::Format_Grayscale8);
  out.fill(0);
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      bool any = false;
      for (int dy = -1; dy <= 1 && !any; ++dy)
        for (int dx = -1; dx <= 1 && !any; ++dx)
          any = maskAt(mask, x + dx, y + dy);
      out.scanLine(y)[x] = any ? 255 : 0;
    }
  return out;
}

void drawFittedText(QPainter &p, const QRectF &rect, const QString &text,
                    const QFont &font, const QColor &color, int flags) {
  const QFontMetricsF fm(font);
  const QRectF need = fm.boundingRect(rect, flags, text);
  const QRectF tight = fm.tightBoundingRect(text);
  if (need.width() > rect.width() + 0.01 ||
      need.height() > rect.height() + 0.01 ||
      tight.width() > rect.width() + 0.01)
    fail(QStringLiteral("text \"%1\" (%2 x %3) does not fit %4 x %5")
             .arg(text)
             .arg(need.width())
             .arg(need.height())
             .arg(rect.width())
             .arg(rect.height()));
  p.save();
  p.setFont(font);
  p.setPen(color);
  p.drawText(rect, flags, text);
  p.restore();
}

void fail(const QString &message) { failureList().append(message); }

const QStringList &failures() { return failureList(); }

void keepOffWhite(QImage &img, const QImage &mask, QPoint origin) {
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      if (!maskAt(mask, x, y))
        continue;
      const int ix = x + origin.x(), iy = y + origin.y();
      if (ix < 0 || iy < 0 || ix >= img.width() || iy >= img.height())
        continue;
      if ((img.pixel(ix, iy) | 0xFF000000u) == kWhite)
        img.setPixel(ix, iy, qRgb(252, 252, 252));
    }
}

Glyph cutGlyph(const QImage &picture, int x, int y, int gw, int gh,
               const QImage &mask) {
  Glyph g;
  g.image = rgbImage(gw, gh, Qt::white);
  g.mask = QImage(gw, gh, QImage::Format_Grayscale8);
  g.mask.fill(0);
  for (int gy = 0; gy < gh; ++gy)
    for (int gx = 0; gx < gw; ++gx) {
      if (!maskAt(mask, gx, gy))
        continue;
      g.mask.scanLine(gy)[gx] = 255;
      const int px = x + gx, py = y + gy;
      if (px < 0 || py < 0 || px >= picture.width() || py >= picture.height())
        continue;
      QRgb c = picture.pixel(px, py) | 0xFF000000u;
      if (c == kWhite)
        c = qRgb(252, 252, 252);
      g.image.setPixel(gx, gy, c);
    }
  return g;
}

void ArtSet::add(const QString &name, const QImage &img) {
  if (images.count(name))
    fail(QStringLiteral("image %1 generated twice").arg(name));
  images[name] = img;
}

void ArtSet::addGlyph(const QString &name, const Glyph &g) {
  add(name, g.image);
  glyphs[name] = g;
}

const QImage &ArtSet::operator[](const QString &name) const {
  static const QImage empty;
  auto it = images.find(name);
  if (it == images.end()) {
    fail(QStringLiteral("image %1 missing").arg(name));
    return empty;
  }
  return it->second;
}

} // namespace art
