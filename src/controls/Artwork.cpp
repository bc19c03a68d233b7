#include "controls/Artwork.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace {

// count whole numbers of at most 100000 from a JSON array of that length.
bool readNumbers(const QJsonValue &value, int count, int *out) {
  const QJsonArray a = value.toArray();
  if (a.size() != count)
    return false;
  for (int i = 0; i < count; ++i) {
    const double d = a[i].toDouble(-1e9);
    if (d != std::floor(d) || std::abs(d) > 100000)
      return false;
    out[i] = static_cast<int>(d);
  }
  return true;
}

// [x, y, width, height] with a positive size.
bool readRect(const QJsonValue &value, QRect *rect) {
  int n[4];
  if (!readNumbers(value, 4, n) || n[2] <= 0 || n[3] <= 0)
    return false;
  *rect = QRect(n[0], n[1], n[2], n[3]);
  return true;
}

// [width, height], both positive.
bool readSize(const QJsonValue &value, QSize *size) {
  int n[2];
  if (!readNumbers(value, 2, n) || n[0] <= 0 || n[1] <= 0)
    return false;
  *size = QSize(n[0], n[1]);
  return true;
}

bool readStyle(const QString &name, PictureButtonStyle *style) {
  static const QMap<QString, PictureButtonStyle> styles = {
      {QStringLiteral("flat"), PictureButtonStyle::Flat},
      {QStringLiteral("highlight"), PictureButtonStyle::Highlight},
      {QStringLiteral("normal"), PictureButtonStyle::Normal},
      {QStringLiteral("raised"), PictureButtonStyle::Raised}};
  const auto it = styles.find(name);
  if (it == styles.end())
    return false;
  *style = *it;
  return true;
}

// Pixel count of a logical length at ratio; whole for whole ratios.
int devicePixels(int logical, qreal ratio) {
  return qMax(1, qRound(logical * ratio));
}

} // namespace

bool ArtworkGeometry::parse(const QByteArray &json, QString *error) {
  *this = ArtworkGeometry();
  QJsonParseError parseError;
  const QJsonObject root = QJsonDocument::fromJson(json, &parseError).object();
  auto fail = [&](const QString &why) {
    *this = ArtworkGeometry();
    if (error)
      *error = why;
    return false;
  };
  if (parseError.error != QJsonParseError::NoError)
    return fail(parseError.errorString());

  for (const QString &name :
       {QStringLiteral("controlBar"), QStringLiteral("workArea"),
        QStringLiteral("keypad")}) {
    const QJsonObject o = root.value(name).toObject();
    Sheet sheet;
    sheet.file = o.value(QStringLiteral("sheet")).toString();
    if (sheet.file.isEmpty() ||
        !readSize(o.value(QStringLiteral("size")), &sheet.size))
      return fail(name + QStringLiteral(": no sheet or size"));
    for (auto [group, target] : {std::pair{"pictures", &sheet.pictures},
                                 std::pair{"places", &sheet.places}}) {
      const QJsonObject rects = o.value(QLatin1String(group)).toObject();
      for (auto it = rects.begin(); it != rects.end(); ++it) {
        QRect r;
        if (!readRect(it.value(), &r))
          return fail(name + '.' + it.key() +
                      QStringLiteral(": bad rectangle"));
        target->insert(it.key(), r);
      }
    }
    m_sheets[name] = sheet;
  }

  for (const QJsonValue &v : root.value(QStringLiteral("keypad"))
                                 .toObject()
                                 .value(QStringLiteral("keys"))
                                 .toArray()) {
    const QJsonObject o = v.toObject();
    ArtworkKey key;
    key.id = o.value(QStringLiteral("id")).toString();
    key.code = o.value(QStringLiteral("code")).toInt(-1);
    if (key.id.isEmpty() || key.code < 0 ||
        !readRect(o.value(QStringLiteral("button")), &key.button) ||
        !readSize(o.value(QStringLiteral("glyph")), &key.glyph) ||
        !readStyle(o.value(QStringLiteral("style")).toString(), &key.style))
      return fail(
          QStringLiteral("keypad key %1: incomplete").arg(m_keys.size() + 1));
    m_keys.append(key);
    m_sheets[QStringLiteral("keypad")].pictures.insert(key.id,
                                                       key.pictureRect());
  }
  if (m_keys.isEmpty())
    return fail(QStringLiteral("keypad: no keys"));

  const QJsonObject icons = root.value(QStringLiteral("icons")).toObject();
  for (auto it = icons.begin(); it != icons.end(); ++it) {
    QSize size;
    if (readSize(it.value(), &size))
      m_iconSizes.insert(it.key(), size);
  }
  Sheet splash;
  const QJsonObject places =
      icons.value(QStringLiteral("splashPlaces")).toObject();
  for (auto it = places.begin(); it != places.end(); ++it) {
    QRect r;
    if (!readRect(it.value(), &r))
      return fail(QStringLiteral("splash.") + it.key() +
                  QStringLiteral(": bad rectangle"));
    splash.places.insert(it.key(), r);
  }
  splash.file = QStringLiteral("splash.svg");
  splash.size = m_iconSizes.value(QStringLiteral("splash"));
  m_sheets[QStringLiteral("splash")] = splash;
  return true;
}

QString ArtworkGeometry::sheetFile(const QString &sheet) const {
  const auto it = m_sheets.find(sheet);
  return it == m_sheets.end() ? QString() : it->second.file;
}

QSize ArtworkGeometry::sheetSize(const QString &sheet) const {
  const auto it = m_sheets.find(sheet);
  return it == m_sheets.end() ? QSize() : it->second.size;
}

QRect ArtworkGeometry::picture(const QString &sheet, const QString &id) const {
  const auto it = m_sheets.find(sheet);
  return it == m_sheets.end() ? QRect() : it->second.pictures.value(id);
}

QRect ArtworkGeometry::place(const QString &sheet, const QString &id) const {
  const auto it = m_sheets.find(sheet);
  return it == m_sheets.end() ? QRect() : it->second.places.value(id);
}

QStringList ArtworkGeometry::pictureIds(const QString &sheet) const {
  const auto it = m_sheets.find(sheet);
  return it == m_sheets.end() ? QStringList() : it->second.pictures.keys();
}

QSize ArtworkGeometry::iconSize(const QString &kind) const {
  return m_iconSizes.value(kind);
}

Artwork::Artwork(const QString &prefix) : m_prefix(prefix) {
  QFile file(prefix + QStringLiteral("geometry.json"));
  if (!file.open(QIODevice::ReadOnly)) {
    m_error = file.fileName() + QStringLiteral(": ") + file.errorString();
    return;
  }
  QString why;
  if (!m_geometry.parse(file.readAll(), &why))
    m_error = file.fileName() + QStringLiteral(": ") + why;
}

Artwork::~Artwork() = default;

void Artwork::forgetSheet(const QString &sheet) const {
  m_renderers.erase(m_geometry.sheetFile(sheet));
}

QSvgRenderer *Artwork::renderer(const QString &file) const {
  auto &slot = m_renderers[file];
  if (!slot)
    slot = std::make_unique<QSvgRenderer>(m_prefix + file);
  return slot->isValid() ? slot.get() : nullptr;
}

QImage Artwork::render(const QString &file, const QString &id, QSize size,
                       qreal ratio) const {
  QSvgRenderer *svg = renderer(file);
  if (!svg || size.isEmpty() || (!id.isEmpty() && !svg->elementExists(id)))
    return {};
  QImage image(devicePixels(size.width(), ratio),
               devicePixels(size.height(), ratio),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    const QRectF target(0, 0, image.width(), image.height());
    if (id.isEmpty())
      svg->render(&painter, target);
    else
      svg->render(&painter, id, target);
  }
  image.setDevicePixelRatio(ratio);
  return image;
}

QImage Artwork::background(const QString &sheet, qreal ratio) const {
  return render(m_geometry.sheetFile(sheet), QStringLiteral("background"),
                m_geometry.sheetSize(sheet), ratio);
}

void Artwork::paintBackground(QPainter &painter, const QString &sheet) const {
  QSvgRenderer *svg = renderer(m_geometry.sheetFile(sheet));
  const QString id = QStringLiteral("background");
  if (svg && svg->elementExists(id))
    svg->render(&painter, id,
                QRectF(QPointF(0, 0), m_geometry.sheetSize(sheet)));
}

QImage Artwork::picture(const QString &sheet, const QString &id,
                        qreal ratio) const {
  const QRect rect = m_geometry.picture(sheet, id);
  if (rect.isNull())
    return {};
  return render(m_geometry.sheetFile(sheet), id, rect.size(), ratio);
}

QImage Artwork::document(const QString &file, QSize size, qreal ratio) const {
  return render(file, QString(), size, ratio);
}

QIcon Artwork::icon(const QString &file) const {
  return QIcon(m_prefix + file);
}

bool Artwork::hasElement(const QString &file, const QString &id) const {
  QSvgRenderer *svg = renderer(file);
  return svg && svg->elementExists(id);
}

QRectF Artwork::elementBounds(const QString &file, const QString &id) const {
  QSvgRenderer *svg = renderer(file);
  return svg && svg->elementExists(id) ? svg->boundsOnElement(id) : QRectF();
}
