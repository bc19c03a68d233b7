// iconpng SVG SIZE PNG: renders the application icon at one size for the
// fixed-size icon themes.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: iconpng SVG SIZE PNG\n");
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  const int size = QByteArray(argv[2]).toInt();
  if (!svg.isValid() || size <= 0 || size > 1024) {
    std::fprintf(stderr, "iconpng: cannot render %s at %s px\n", argv[1],
                 argv[2]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter);
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "iconpng: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
