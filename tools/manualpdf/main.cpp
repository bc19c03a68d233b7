// manualpdf: renders a Markdown file, with the pictures it names beside it,
// to a PDF file of A4 pages.
// Usage: manualpdf <manual.md> <output.pdf>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>
#include <cstdio>

namespace {

// Loads every picture the manual names, from the manual's folder, so that
// the PDF holds the pictures and not empty frames. False when one is
// missing.
// Pictures wider than maxWidth are shown scaled down to it.
bool addPictures(QTextDocument &doc, const QDir &folder, qreal maxWidth) {
  bool complete = true;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat())
        continue;
      const QString name = format.toImageFormat().name();
      const QImage picture(folder.filePath(name));
      if (picture.isNull()) {
        std::fprintf(stderr, "manualpdf: cannot read the picture %s\n",
                     qPrintable(folder.filePath(name)));
        complete = false;
        continue;
      }
      doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
      if (picture.width() > maxWidth) {
        QTextImageFormat scaled = format.toImageFormat();
        scaled.setWidth(maxWidth);
        scaled.setHeight(picture.height() * maxWidth / picture.width());
        QTextCursor cursor(&doc);
        cursor.setPosition(it.fragment().position());
        cursor.setPosition(it.fragment().position() + it.fragment().length(),
                           QTextCursor::KeepAnchor);
        cursor.setCharFormat(scaled);
      }
    }
  }
  return complete;
}

} // namespace

int main(int argc, char *argv[]) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: manualpdf <manual.md> <output.pdf>\n");
    return 2;
  }
  const QString source = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);

  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "manualpdf: cannot read %s: %s\n", argv[1],
                 qPrintable(in.errorString()));
    return 1;
  }
  const QString markdown = QString::fromUtf8(in.readAll());

  QTextDocument doc;
  QFont body(QStringLiteral("DejaVu Sans"));
  body.setPointSizeF(10);
  doc.setDefaultFont(body);
  doc.setDefaultStyleSheet(QStringLiteral("code { font-family: monospace; }"));
  doc.setMarkdown(markdown);

  // The text area of an A4 page with these margins, in the layout's units.
  const QMarginsF margins(20, 18, 20, 18); // millimetres
  const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
  const qreal unitsPerMm =
      QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 25.4;
  doc.setPageSize(
      QSizeF((a4.width() - margins.left() - margins.right()) * unitsPerMm,
             (a4.height() - margins.top() - margins.bottom()) * unitsPerMm));
  if (!addPictures(doc, QFileInfo(source).absoluteDir(),
                   doc.pageSize().width() - 2 * doc.documentMargin()))
    return 1;

  QPdfWriter writer(output);
  writer.setTitle(QStringLiteral("Quorvane User Manual"));
  writer.setCreator(QStringLiteral("manualpdf"));
  writer.setResolution(300);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                  QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter));
  doc.print(&writer);

  if (!QFileInfo(output).isFile() || QFileInfo(output).size() == 0) {
    std::fprintf(stderr, "manualpdf: %s was not written\n", argv[2]);
    return 1;
  }
  return 0;
}
