// artgen: draws every picture of the program.
//
//   artgen <outdir>                       write all PNGs into outdir
//   artgen --preview <file> [idle|open]   write a picture of the main window
//   artgen --sheet <file>                 write the icons and glyphs on a sheet
//
// Every run checks the pictures (sizes, glyph surrounds, keypad cut-outs,
// indicator coverage) and exits with status 1 and a message if one fails.

#include "ArtCommon.h"
#include "Chrome.h"
#include "Icons.h"
#include "Keypad.h"
#include "Preview.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>

using namespace art;

namespace {

// Every picture with its size; the set made must be exactly this list.
std::map<QString, QSize> expectedSizes() {
  std::map<QString, QSize> s;
  s[QStringLiteral("splash.png")] = {500, 300};
  s[QStringLiteral("controlbar.png")] = {611, 48};
  s[QStringLiteral("workzone.png")] = {611, 595};
  s[QStringLiteral("quicktext_cover.png")] = {580, 74};
  for (int i = 0; i < kMenuImageCount; ++i)
    s[QStringLiteral("menu_%1.png").arg(i, 2, 10, QLatin1Char('0'))] = {16, 16};
  for (int i = 0; i < kTrayIconCount; ++i)
    s[QStringLiteral("tray_%1.png").arg(i)] = {24, 24};
  for (int i = 0; i < 3; ++i)
    s[QStringLiteral("led_%1.png").arg(i)] = {31, 29};
  s[QStringLiteral("keypad.png")] = {178, 198};
  for (const KeyDef &k : keyTable())
    s[QStringLiteral("key_%1.png").arg(k.name)] = {k.glyphWidth, k.glyphHeight};
  for (const BarButton &b : barButtons())
    s[QString::fromLatin1(b.file)] = {b.width, b.height};
  for (const BarButton &b : barIndicators())
    s[QString::fromLatin1(b.file)] = {b.width, b.height};
  s[QStringLiteral("icon_app.png")] = {64, 64};
  return s;
}

ArtSet generate() {
  ArtSet set;
  makeControlBar(set);
  makeWorkzone(set);
  makeKeypad(set[QStringLiteral("workzone.png")], set);
  makeQuickTextCover(set);
  makeSplash(set);
  makeMenuImages(set);
  makeTrayIcons(set);
  makeAppIcon(set);
  return set;
}

void checkSizes(const ArtSet &set) {
  const auto expected = expectedSizes();
  for (const auto &[name, size] : expected) {
    auto it = set.images.find(name);
    if (it == set.images.end())
      fail(QStringLiteral("%1 was not made").arg(name));
    else if (it->second.size() != size)
      fail(QStringLiteral("%1 is %2 x %3, must be %4 x %5")
               .arg(name)
               .arg(it->second.width())
               .arg(it->second.height())
               .arg(size.width())
               .arg(size.height()));
  }
  for (const auto &[name, img] : set.images)
    if (!expected.count(name))
      fail(QStringLiteral("%1 is not in the list of pictures").arg(name));
}

// A glyph's surround is pure white, and white is nowhere in its face: the
// button takes the top-left pixel as background and the bottom-left pixel as
// the transparent colour. A white border also closes every row's run.
void checkGlyphs(const ArtSet &set) {
  for (const auto &[name, g] : set.glyphs) {
    const QImage &img = g.image;
    const int w = img.width(), h = img.height();
    if ((img.pixel(0, 0) | 0xFF000000u) != kWhite)
      fail(name + QStringLiteral(": top-left pixel is not white"));
    if ((img.pixel(0, h - 1) | 0xFF000000u) != kWhite)
      fail(name + QStringLiteral(": bottom-left pixel is not white"));
    int face = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool white = (img.pixel(x, y) | 0xFF000000u) == kWhite;
        const bool inFace = maskAt(g.mask, x, y);
        face += inFace;
        const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
        if (inFace && white)
          fail(QStringLiteral("%1: face pixel %2,%3 is pure white")
                   .arg(name)
                   .arg(x)
                   .arg(y));
        if (!inFace && !white)
          fail(QStringLiteral("%1: surround pixel %2,%3 is not white")
                   .arg(name)
                   .arg(x)
                   .arg(y));
        if (inFace && border)
          fail(QStringLiteral("%1: face touches the edge at %2,%3")
                   .arg(name)
                   .arg(x)
                   .arg(y));
      }
    if (face == 0)
      fail(name + QStringLiteral(": empty face"));
  }
}

bool writePng(const QImage &img, const QString &path) {
  QImageWriter w(path, "png");
  if (!w.write(img)) {
    std::fprintf(stderr, "artgen: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(w.errorString()));
    return false;
  }
  return true;
}

QImage contactSheet(const ArtSet &set) {
  QImage sheet(640, 900, QImage::Format_RGB32);
  sheet.fill(QColor(200, 203, 210));
  QPainter p(&sheet);
  int x = 8, y = 8, rowH = 0;
  auto place = [&](const QString &name, int scale) {
    const QImage &img = set[name];
    const QSize s = img.size() * scale;
    if (x + s.width() > sheet.width() - 8) {
      x = 8;
      y += rowH + 8;
      rowH = 0;
    }
    p.fillRect(QRect(QPoint(x, y), s), QColor(246, 247, 250));
    p.drawImage(QRect(QPoint(x, y), s), img);
    x += s.width() + 8;
    rowH = std::max(rowH, s.height());
  };
  for (int i = 0; i < kMenuImageCount; ++i)
    place(QStringLiteral("menu_%1.png").arg(i, 2, 10, QLatin1Char('0')), 3);
  for (int i = 0; i < kTrayIconCount; ++i)
    place(QStringLiteral("tray_%1.png").arg(i), 3);
  place(QStringLiteral("icon_app.png"), 2);
  for (const BarButton &b : barButtons())
    place(QString::fromLatin1(b.file), 2);
  for (const BarButton &b : barIndicators())
    place(QString::fromLatin1(b.file), 2);
  for (int i = 0; i < 3; ++i)
    place(QStringLiteral("led_%1.png").arg(i), 2);
  for (const KeyDef &k : keyTable())
    place(QStringLiteral("key_%1.png").arg(k.name), 2);
  return sheet;
}

int usage() {
  std::fprintf(stderr, "usage: artgen <outdir>\n"
                       "       artgen --preview <file.png> [idle|open]\n"
                       "       artgen --sheet <file.png>\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty())
    return usage();

  const ArtSet set = generate();
  checkSizes(set);
  checkGlyphs(set);
  checkKeypad(set);
  checkChrome(set);
  if (!failures().isEmpty()) {
    for (const QString &f : failures())
      std::fprintf(stderr, "artgen: %s\n", qPrintable(f));
    return 1;
  }

  if (args[0] == QLatin1String("--preview")) {
    if (args.size() < 2)
      return usage();
    const bool open = args.size() > 2 && args[2] == QLatin1String("open");
    const QImage img =
        composePreview(set, open ? PreviewState::open : PreviewState::idle);
    if (!failures().isEmpty()) {
      for (const QString &f : failures())
        std::fprintf(stderr, "artgen: %s\n", qPrintable(f));
      return 1;
    }
    return writePng(img, args[1]) ? 0 : 1;
  }
  if (args[0] == QLatin1String("--sheet")) {
    if (args.size() < 2)
      return usage();
    return writePng(contactSheet(set), args[1]) ? 0 : 1;
  }
  if (args[0].startsWith(QLatin1String("--")))
    return usage();

  QDir dir(args[0]);
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "artgen: cannot create %s\n", qPrintable(args[0]));
    return 1;
  }
  for (const auto &[name, img] : set.images)
    if (!writePng(img, dir.filePath(name)))
      return 1;
  std::printf("artgen: wrote %zu pictures to %s\n", set.images.size(),
              qPrintable(dir.absolutePath()));
  return 0;
}
