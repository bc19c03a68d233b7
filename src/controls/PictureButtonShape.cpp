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

QRgb Opaque(QRgb rgb) { return 0xFF000000 | (rgb & 0x00FFFFFF); }

const QRgb *Row(const QImage &image, int y) {
  return reinterpret_cast<const QRgb *>(image.constScanLine(y));
}

// ceil(num / den) for den > 0.
qint64 CeilDiv(qint64 num, qint64 den) {
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

void EnsureRgb32(QImage &image) {
  if (!image.isNull() && image.format() != QImage::Format_RGB32)
    image = image.convertToFormat(QImage::Format_RGB32);
}

// Makes target w x h, keeping the part of its old content that still fits;
// new pixels are white.
void SizeTarget(QImage &target, int w, int h) {
  EnsureRgb32(target);
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

void TdxfGlyphShape::SetGlyph(const QImage &glyph) {
  m_glyph =
      glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_RGB32);
}

TdxfGlyphShape::Outline TdxfGlyphShape::BuildRegion() {
  Outline out;
  if (IsEmpty())
    return out;
  const int w = m_glyph.width();
  const int h = m_glyph.height();
  m_background = Row(m_glyph, 0)[0];
  if (w > MaxExtent || h > MaxExtent) {
    out.WithinLimits = false;
    return out;
  }
  const QRgb bg = m_background;

  // Row pass: a band from one pixel left of each run to its closing
  // background pixel, one row above to one row below. A run that reaches
  // the right edge is never closed and adds nothing.
  int firstRow = -1;
  for (int y = 0; y < h && out.WithinLimits; ++y) {
    const QRgb *line = Row(m_glyph, y);
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
        if (out.Polygons.size() == MaxPolygons) {
          out.WithinLimits = false;
          break;
        }
        out.Polygons.append(
            QPolygon({QPoint(start, y - 1), QPoint(x + 1, y - 1),
                      QPoint(x + 1, y + 2), QPoint(start, y + 2)}));
      }
    }
  }

  // Top pass: a wedge above each closed run of the first such row, rising
  // two rows over the run's left end.
  if (firstRow >= 0 && out.WithinLimits) {
    const QRgb *line = Row(m_glyph, firstRow);
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
        if (out.Polygons.size() == MaxPolygons) {
          out.WithinLimits = false;
          break;
        }
        out.Polygons.append(QPolygon({QPoint(start, fr - 2), QPoint(x, fr - 2),
                                      QPoint(x, fr), QPoint(start, fr - 2)}));
      }
    }
  }

  if (out.WithinLimits && !out.Polygons.isEmpty()) {
    out.Region = PolygonRegion(out.Polygons);
    out.HasRegion = true;
  }
  return out;
}

QList<TdxfPoint> TdxfGlyphShape::CollectEdgePoints() const {
  QList<TdxfPoint> points;
  if (IsEmpty())
    return points;
  const int w = m_glyph.width();
  const int h = m_glyph.height();
  if (w > MaxExtent || h > MaxExtent)
    return points;
  const QRgb bg = m_background;
  // A neighbour outside the glyph counts as not background.
  auto isBackground = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < w && y < h && Row(m_glyph, y)[x] == bg;
  };
  for (int y = 0; y < h; ++y) {
    const QRgb *line = Row(m_glyph, y);
    for (int x = 0; x < w; ++x) {
      if (line[x] != bg)
        continue;
      if (points.size() == MaxPoints)
        return {};
      TdxfPoint p;
      p.X = qint16(x);
      p.Y = qint16(y);
      p.Kind = TdxfPoint::Plain;
      if (!isBackground(x - 1, y - 1))
        p.Kind = TdxfPoint::Shadow;
      if (!isBackground(x + 1, y + 1))
        p.Kind = TdxfPoint::Light;
      points.append(p);
    }
  }
  return points;
}

void TdxfGlyphShape::RenderStates(TdxfButtonStyle style, QRgb buttonColor,
                                  const TdxfDither &dither) {
  const QList<TdxfPoint> points = CollectEdgePoints();
  RenderState(m_up, points, style, dxfStateUp, buttonColor, dither);
  RenderState(m_down, points, style, dxfStateDown, buttonColor, dither);
  if (style == dxfFlat)
    RenderState(m_hot, points, style, dxfStateHot, buttonColor, dither);
}

void TdxfGlyphShape::RenderState(QImage &target, const QList<TdxfPoint> &points,
                                 TdxfButtonStyle style, TdxfButtonState state,
                                 QRgb buttonColor,
                                 const TdxfDither &dither) const {
  if (IsEmpty()) {
    target = QImage();
    return;
  }
  SizeTarget(target, m_glyph.width(), m_glyph.height());

  const QRgb c = Opaque(buttonColor);
  const bool down = state == dxfStateDown;
  const int o = down ? 1 : (style == dxfRaised ? -1 : 0);

  if (down && dither.Color != clNone) {
    const QRgb dc = Opaque(dither.Color);
    switch (dither.Style) {
    case dxfFill:
      target.fill(dc);
      break;
    case dxfDither:
      target.fill(c);
      DitherPattern(target, dc);
      break;
    case dxfDitherBlend:
      DrawTransparent(target, m_glyph, o, o);
      DitherPattern(target, dc);
      break;
    }
  } else {
    DrawTransparent(target, m_glyph, o, o);
  }

  PixelWriter px(target);
  const QRgb bg = Opaque(m_background);
  for (const TdxfPoint &p : points) {
    const int x = p.X;
    const int y = p.Y;
    switch (style) {
    case dxfFlat:
    case dxfHighlight:
      if (down) {
        if (p.Kind == TdxfPoint::Plain) {
          px.Set(x, y, c);
        } else if (p.Kind == TdxfPoint::Shadow) {
          px.Set(x, y, kWhite);
        } else {
          px.Set(x, y, kBlack);
          px.Set(x + 1, y + 1, kBlack);
        }
      } else if (style == dxfHighlight || state == dxfStateHot) {
        px.Set(x, y,
               p.Kind == TdxfPoint::Plain    ? c
               : p.Kind == TdxfPoint::Shadow ? kGrey
                                             : kWhite);
      } else {
        px.Set(x, y, c);
      }
      break;
    case dxfNormal:
      if (!down || p.Kind != TdxfPoint::Light)
        px.Set(x, y, c);
      break;
    case dxfRaised:
      if (down) {
        px.Set(x + 1, y + 1, c);
      } else if (p.Kind == TdxfPoint::Plain) {
        px.Set(x, y, c);
      } else if (p.Kind == TdxfPoint::Shadow) {
        px.Set(x, y, bg);
        px.Set(x - 1, y, bg);
        px.Set(x, y - 1, bg);
        px.Set(x - 1, y - 1, bg);
      }
      break;
    }
  }
}

QRegion TdxfGlyphShape::PolygonRegion(const QList<QPolygon> &polygons) {
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
          {e->xTop + CeilDiv(qint64(y - e->yTop) * e->dx, e->dy), e->dir});
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

void TdxfGlyphShape::DrawTransparent(QImage &target, const QImage &glyph, int x,
                                     int y) {
  if (glyph.isNull() || target.isNull())
    return;
  EnsureRgb32(target);
  QImage src = glyph;
  EnsureRgb32(src);
  const int w = src.width();
  const int h = src.height();
  const QRgb transparent = Row(src, h - 1)[0];
  PixelWriter px(target);
  for (int gy = 0; gy < h; ++gy) {
    const QRgb *line = Row(src, gy);
    for (int gx = 0; gx < w; ++gx)
      if (line[gx] != transparent)
        px.Set(x + gx, y + gy, line[gx]);
  }
}

void TdxfGlyphShape::DitherPattern(QImage &target, QRgb color) {
  if (target.isNull())
    return;
  EnsureRgb32(target);
  const QRgb colour = Opaque(color);
  PixelWriter px(target);
  for (int y = 0; y < target.height(); ++y)
    for (int x = 0; x < target.width(); x += 2)
      px.Set(x + y % 2, y, colour);
}
