// The build renders the user manual into the program directory.
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(ManualPdf, IsBesideTheProgramWithSeveralPagesAndThePictures) {
  QFile pdf(QStringLiteral(QV_PROGRAM_DIR "/Manual.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << "no Manual.pdf was built";
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));

  // Page objects, not the page tree ("/Type /Pages").
  const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
  const qsizetype pages = QString::fromLatin1(bytes).count(page);
  EXPECT_GT(pages, 1);
  const QRegularExpression count(QStringLiteral("/Count\\s+(\\d+)"));
  const auto match = count.match(QString::fromLatin1(bytes));
  ASSERT_TRUE(match.hasMatch());
  EXPECT_EQ(match.captured(1).toInt(), pages);

  // The window pictures are in it, not just their names.
  EXPECT_GE(bytes.count("/Subtype /Image"), 2);
}
