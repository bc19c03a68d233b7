#include "controls/PictureButtonShape.h"

#include <QRect>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGrey = 0xFF808080;

QRgb opaque(QRgb rgb) { return 0xFF000000 | (rgb & 0x00FFFFFF); }

const QRgb *row(const QImage &image, int y) {
  return reinterpret_cast<const QRgb *>(image.constScanLine(y));
}

// ceil(num / den) for den > 0.
qint64 ceilDiv(qint64 num, qint64 den) {
  return num >= 0 ? (num + den - 1) / den : num / den;
}

// Pixel writes that ignore anything outside the image.
class PixelWriter {
public:
  explicit PixelWriter(QImage &image)
      : m_bits(image.bits()), m_stride(image.bytesPerLine()),
        m_width(image.width()), m_height(image.height()) {}

  void Set(int x, int y, QRgb colour) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
      return;
    reinterpret_cast<QRgb *>(m_bits + y * m_stride)[x] = colour;
  }

private:
  uchar *m_bits;
  qsizetype m_stride;
  int m_width;
  int m_height;
};

void ensureRgb32(QImage &image) {
  if (!image.isNull() && image.format() != QImage::Format_RGB32)
    image = image.convertToFormat(QImage::Format_RGB32);
}

// Makes target w x h, keeping the part of its old content that still fits;
// new pixels are white.
void sizeTarget(QImage &target, int w, int h) {
  ensureRgb32(target);
  if (target.width() == w && target.height() == h)
    return;
  QImage sized(w, h, QImage::Format_RGB32);
  sized.fill(kWhite);
  const int keepW = std::min(w, target.width());
  const int keepH = std::min(h, target.height());
  for (int y = 0; y < keepH; ++y)
    std::memcpy(sized.scanLine(y), target.constScanLine(y),
                size_t(keepW) * sizeof(QRgb));
  target = std::move(sized);
}

} // namespace

void PictureButtonShape::setGlyph(const QImage &glyph) {
  m_glyph =
      glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_RGB32);
}

void PictureButtonShape::takeBackgroundColor() {
  if (!isEmpty())
    m_background = row(m_glyph, 0)[0];
}

PictureButtonShape::Outline PictureButtonShape::buildRegion() {
  Outline out;
  if (isEmpty())
    return out;
  const int w = m_glyph.width();
  const int h = m_glyph.height();
  m_background = row(m_glyph, 0)[0];
  if (w > kMaxExtent || h > kMaxExtent) {
    out.withinLimits = false;
    return out;
  }
  const QRgb bg = m_background;

  // Row pass: a band from one pixel left of each run to its closing
  // background pixel, one row above to one row below. A run that reaches
  // the right edge is never closed and adds nothing.
  int firstRow = -1;
  for (int y = 0; y < h && out.withinLimits; ++y) {
    const QRgb *line = row(m_glyph, y);
    bool inside = false;
    int start = 0;
    for (int x = 0; x < w; ++x) {
      if (!inside && line[x] != bg) {
        inside = true;
        start = x - 1;
      }
      if (inside && line[x] == bg) {
        inside = false;
        if (firstRow < 0)
          firstRow = y;
        if (out.polygons.size() == kMaxPolygons) {
          out.withinLimits = false;
          break;
        }
        out.polygons.append(
            QPolygon({QPoint(start, y - 1), QPoint(x + 1, y - 1),
                      QPoint(x + 1, y + 2), QPoint(start, y + 2)}));
      }
    }
  }

  // Top pass: a wedge above each closed run of the first such row, rising
  // two rows over the run's left end.
  if (firstRow >= 0 && out.withinLimits) {
    const QRgb *line = row(m_glyph, firstRow);
    const int fr = firstRow;
    bool inside = false;
    int start = 0;
    for (int x = 0; x < w; ++x) {
      if (!inside && line[x] != bg) {
        inside = true;
        start = x;
      }
      if (inside && line[x] == bg) {
        inside = false;
        if (out.polygons.size() == kMaxPolygons) {
          out.withinLimits = false;
          break;
        }
        out.polygons.append(QPolygon({QPoint(start, fr - 2), QPoint(x, fr - 2),
                                      QPoint(x, fr), QPoint(start, fr - 2)}));
      }
    }
  }

  if (out.withinLimits && !out.polygons.isEmpty()) {
    out.region = polygonRegion(out.polygons);
    out.hasRegion = true;
  }
  return out;
}

QList<ShapePoint> PictureButtonShape::collectEdgePoints() const {
  QList<ShapePoint> points;
  if (isEmpty())
    return points;
  const int w = m_glyph.width();
  const int h = m_glyph.height();
  if (w > kMaxExtent || h > kMaxExtent)
    return points;
  const QRgb bg = m_background;
  // A neighbour outside the glyph counts as background: the bevel follows
  // the face alone, so a face that nearly fills its glyph gets the same
  // light and shadow edges as a small one, with no stray dark pixels where
  // its band meets the glyph's border.
  auto isBackground = [&](int x, int y) {
    return x < 0 || y < 0 || x >= w || y >= h || row(m_glyph, y)[x] == bg;
  };
  for (int y = 0; y < h; ++y) {
    const QRgb *line = row(m_glyph, y);
    for (int x = 0; x < w; ++x) {
      if (line[x] != bg)
        continue;
      if (points.size() == kMaxPoints)
        return {};
      ShapePoint p;
      p.x = qint16(x);
      p.y = qint16(y);
      p.kind = ShapePoint::Plain;
      if (!isBackground(x - 1, y - 1))
        p.kind = ShapePoint::Shadow;
      if (!isBackground(x + 1, y + 1))
        p.kind = ShapePoint::Light;
      points.append(p);
    }
  }
  return points;
}

void PictureButtonShape::renderStates(PictureButtonStyle style,
                                      QRgb buttonColor,
                                      const PictureButtonDither &dither) {
  const QList<ShapePoint> points = collectEdgePoints();
  renderState(m_up, points, style, PictureButtonState::Up, buttonColor, dither);
  renderState(m_down, points, style, PictureButtonState::Down, buttonColor,
              dither);
  if (style == PictureButtonStyle::Flat)
    renderState(m_hot, points, style, PictureButtonState::Hot, buttonColor,
                dither);
}

void PictureButtonShape::renderState(QImage &target,
                                     const QList<ShapePoint> &points,
                                     PictureButtonStyle style,
                                     PictureButtonState state, QRgb buttonColor,
                                     const PictureButtonDither &dither) const {
  if (isEmpty()) {
    target = QImage();
    return;
  }
  sizeTarget(target, m_glyph.width(), m_glyph.height());

  const QRgb c = opaque(buttonColor);
  const bool down = state == PictureButtonState::Down;
  const int o = down ? 1 : (style == PictureButtonStyle::Raised ? -1 : 0);

  if (down && dither.color != kNoColor) {
    const QRgb dc = opaque(dither.color);
    switch (dither.buttonStyle) {
    case DitherStyle::Fill:
      target.fill(dc);
      break;
    case DitherStyle::Dither:
      target.fill(c);
      ditherPattern(target, dc);
      break;
    case DitherStyle::Blend:
      drawTransparent(target, m_glyph, o, o);
      ditherPattern(target, dc);
      break;
    }
  } else {
    drawTransparent(target, m_glyph, o, o);
  }

  PixelWriter px(target);
  const QRgb bg = opaque(m_background);
  for (const ShapePoint &p : points) {
    const int x = p.x;
    const int y = p.y;
    switch (style) {
    case PictureButtonStyle::Flat:
    case PictureButtonStyle::Highlight:
      if (down) {
        if (p.kind == ShapePoint::Plain) {
          px.Set(x, y, c);
        } else if (p.kind == ShapePoint::Shadow) {
          px.Set(x, y, kWhite);
        } else {
          px.Set(x, y, kBlack);
          px.Set(x + 1, y + 1, kBlack);
        }
      } else if (style == PictureButtonStyle::Highlight ||
                 state == PictureButtonState::Hot) {
        px.Set(x, y,
               p.kind == ShapePoint::Plain    ? c
               : p.kind == ShapePoint::Shadow ? kGrey
                                              : kWhite);
      } else {
        px.Set(x, y, c);
      }
      break;
    case PictureButtonStyle::Normal:
      if (!down || p.kind != ShapePoint::Light)
        px.Set(x, y, c);
      break;
    case PictureButtonStyle::Raised:
      if (down) {
        px.Set(x + 1, y + 1, c);
      } else if (p.kind == ShapePoint::Plain) {
        px.Set(x, y, c);
      } else if (p.kind == ShapePoint::Shadow) {
        px.Set(x, y, bg);
        px.Set(x - 1, y, bg);
        px.Set(x, y - 1, bg);
        px.Set(x - 1, y - 1, bg);
      }
      break;
    }
  }
}

QRegion PictureButtonShape::polygonRegion(const QList<QPolygon> &polygons) {
  // Non-horizontal edges, each active on the rows yTop <= y < yBottom.
  struct Edge {
    int yTop;
    int yBottom;
    qint64 xTop;
    qint64 dx;
    qint64 dy;
    int dir; // +1 going down, -1 going up
  };
  QList<Edge> edges;
  for (const QPolygon &poly : polygons) {
    const qsizetype n = poly.size();
    for (qsizetype i = 0; i < n; ++i) {
      QPoint a = poly[i];
      QPoint b = poly[(i + 1) % n];
      if (a.y() == b.y())
        continue;
      int dir = 1;
      if (a.y() > b.y()) {
        std::swap(a, b);
        dir = -1;
      }
      edges.append({a.y(), b.y(), a.x(), qint64(b.x()) - a.x(),
                    qint64(b.y()) - a.y(), dir});
    }
  }
  if (edges.isEmpty())
    return {};
  std::sort(edges.begin(), edges.end(),
            [](const Edge &l, const Edge &r) { return l.yTop < r.yTop; });
  int yEnd = INT_MIN;
  for (const Edge &e : edges)
    yEnd = std::max(yEnd, e.yBottom);

  QList<QRect> spans;
  QList<const Edge *> active;
  QList<std::pair<qint64, int>> crossings;
  qsizetype next = 0;
  for (int y = edges.first().yTop; y < yEnd; ++y) {
    while (next < edges.size() && edges[next].yTop == y)
      active.append(&edges[next++]);
    active.removeIf([y](const Edge *e) { return e->yBottom <= y; });
    if (active.isEmpty())
      continue;

    // The first pixel at or right of where each edge crosses this row.
    crossings.clear();
    for (const Edge *e : active)
      crossings.append(
          {e->xTop + ceilDiv(qint64(y - e->yTop) * e->dx, e->dy), e->dir});
    std::sort(crossings.begin(), crossings.end());

    int winding = 0;
    qint64 spanStart = 0;
    for (qsizetype i = 0; i < crossings.size();) {
      const qint64 x = crossings[i].first;
      const int before = winding;
      for (; i < crossings.size() && crossings[i].first == x; ++i)
        winding += crossings[i].second;
      if (before == 0 && winding != 0)
        spanStart = x;
      else if (before != 0 && winding == 0)
        spans.append(QRect(int(spanStart), y, int(x - spanStart), 1));
    }
  }
  QRegion region;
  if (!spans.isEmpty())
    region.setRects(spans.constData(), int(spans.size()));
  return region;
}

void PictureButtonShape::drawTransparent(QImage &target, const QImage &glyph,
                                         int x, int y) {
  if (glyph.isNull() || target.isNull())
    return;
  ensureRgb32(target);
  QImage src = glyph;
  ensureRgb32(src);
  const int w = src.width();
  const int h = src.height();
  const QRgb transparent = row(src, h - 1)[0];
  PixelWriter px(target);
  for (int gy = 0; gy < h; ++gy) {
    const QRgb *line = row(src, gy);
    for (int gx = 0; gx < w; ++gx)
      if (line[gx] != transparent)
        px.Set(x + gx, y + gy, line[gx]);
  }
}

void PictureButtonShape::ditherPattern(QImage &target, QRgb color) {
  if (target.isNull())
    return;
  ensureRgb32(target);
  const QRgb colour = opaque(color);
  PixelWriter px(target);
  for (int y = 0; y < target.height(); ++y)
    for (int x = 0; x < target.width(); x += 2)
      px.Set(x + y % 2, y, colour);
}
