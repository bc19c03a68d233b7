// manualpdf: renders a Markdown file, with the pictures it names beside it,
// to a PDF file of A4 pages.
// Usage: manualpdf <manual.md> <output.pdf>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>
#include <cstdio>

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
  // Pictures are named relative to the manual.
  doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + '/'));
  QFont body(QStringLiteral("DejaVu Sans"));
  body.setPointSizeF(10);
  doc.setDefaultFont(body);
  doc.setDefaultStyleSheet(QStringLiteral("code { font-family: monospace; }"));
  doc.setMarkdown(markdown);

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
