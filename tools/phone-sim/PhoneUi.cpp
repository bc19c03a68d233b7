#include "PhoneUi.h"

#include "KeyCodes.h"
#include "Windows1252.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <cmath>

namespace phonesim {

namespace {

constexpr int kStatusHeight = 16;
constexpr int kSoftHeight = 16;
constexpr int kContentTop = kStatusHeight;
constexpr int kContentBottom = PhoneUi::kHeight - kSoftHeight; // exclusive
constexpr int kHeaderHeight = 20;

const QColor kBarColour(32, 38, 46);
const QColor kAccent(40, 110, 220);
const QColor kPageColour(246, 247, 250);
const QColor kInkColour(28, 30, 36);
const QColor kMutedInk(110, 116, 128);

QFont uiFont(int pixelSize, bool bold = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

// A small integer hash for repeatable noise.
quint32 kHash(quint32 x, quint32 y) {
  quint32 h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

int clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v); }

// A photographic picture: a dusk sky with a low sun, hills and grain.
QImage makeLandscape(int w, int h, double sunX, double sunY, quint32 seed) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
    const double t = double(y) / (h - 1);
    for (int x = 0; x < w; ++x) {
      double r = 30 + 200 * t, g = 40 + 110 * t, b = 110 - 40 * t;
      const double dx = (x - sunX * w) / w, dy = (y - sunY * h) / h;
      const double glow = std::exp(-(dx * dx + dy * dy) * 18.0);
      r += 120 * glow;
      g += 100 * glow;
      b += 40 * glow;
      const double hill1 = h * (0.72 + 0.06 * std::sin(x * 0.045 + seed));
      const double hill2 = h * (0.84 + 0.04 * std::sin(x * 0.08 + 1.3 * seed));
      if (y > hill1) {
        const double d = (y - hill1) / h;
        r = 40 + 30 * d;
        g = 60 + 50 * d + 10 * std::sin(x * 0.3);
        b = 70 - 20 * d;
      }
      if (y > hill2) {
        r = 22;
        g = 34 + 12 * std::sin(x * 0.21 + y * 0.1);
        b = 38;
      }
      const int n = int(kHash(x + seed * 977, y) % 13) - 6;
      line[x] = qRgb(clamp255(r + n), clamp255(g + n), clamp255(b + n));
    }
  }
  return img;
}

const QImage &wallpaper() {
  static const QImage img = makeLandscape(
      PhoneUi::kWidth, kContentBottom - kContentTop, 0.7, 0.55, 3);
  return img;
}

const QImage &galleryPhoto() {
  static const QImage img = makeLandscape(160, 120, 0.3, 0.4, 11);
  return img;
}

void drawStatusBar(QPainter &p, const QDateTime &now) {
  p.fillRect(0, 0, PhoneUi::kWidth, kStatusHeight, kBarColour);
  // Signal strength: four bars, three lit.
  for (int i = 0; i < 4; ++i) {
    const int bh = 3 + 3 * i;
    p.fillRect(3 + 4 * i, 13 - bh, 3, bh,
               i < 3 ? QColor(235, 238, 242) : QColor(90, 96, 106));
  }
  // Battery: outline, tip and a level of about two thirds.
  p.setPen(QColor(235, 238, 242));
  p.setBrush(Qt::NoBrush);
  p.drawRect(150, 4, 19, 8);
  p.fillRect(170, 6, 2, 4, QColor(235, 238, 242));
  p.fillRect(152, 6, 11, 5, QColor(110, 200, 120));
  p.setFont(uiFont(11, true));
  p.drawText(QRect(40, 0, 96, kStatusHeight), Qt::AlignCenter,
             now.toString(QStringLiteral("HH:mm")));
}

void drawSoftKeys(QPainter &p, const QString &left, const QString &right,
                  const QString &middle = QString()) {
  const int top = kContentBottom;
  p.fillRect(0, top, PhoneUi::kWidth, kSoftHeight, kBarColour);
  p.setPen(QColor(235, 238, 242));
  p.setFont(uiFont(11, true));
  p.drawText(QRect(4, top, 80, kSoftHeight), Qt::AlignLeft | Qt::AlignVCenter,
             left);
  p.drawText(QRect(92, top, 80, kSoftHeight), Qt::AlignRight | Qt::AlignVCenter,
             right);
  if (!middle.isEmpty())
    p.drawText(QRect(48, top, 80, kSoftHeight), Qt::AlignCenter, middle);
}

void drawHeader(QPainter &p, const QString &title) {
  p.fillRect(0, kContentTop, PhoneUi::kWidth, kHeaderHeight, kAccent);
  p.setPen(Qt::white);
  p.setFont(uiFont(12, true));
  p.drawText(QRect(6, kContentTop, PhoneUi::kWidth - 12, kHeaderHeight),
             Qt::AlignLeft | Qt::AlignVCenter, title);
}

QColor itemColour(int item) {
  static const QColor colours[PhoneUi::kMenuItems] = {
      QColor(236, 142, 40),  QColor(60, 160, 90),  QColor(230, 190, 40),
      QColor(40, 170, 110),  QColor(170, 80, 200), QColor(90, 100, 120),
      QColor(120, 130, 150), QColor(220, 70, 80),  QColor(40, 110, 220)};
  return colours[item];
}

// 28 x 28 pictograms, one accent colour each.
void drawIcon(QPainter &p, int item, const QRect &box) {
  const QColor c = itemColour(item);
  p.save();
  p.translate(box.topLeft());
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  switch (item) {
  case PhoneUi::ItemMessages: {
    p.drawRoundedRect(2, 5, 24, 17, 3, 3);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(5, 8, 14, 15);
    p.drawLine(14, 15, 23, 8);
    break;
  }
  case PhoneUi::ItemNames:
    p.drawEllipse(9, 3, 10, 10);
    p.drawRoundedRect(4, 15, 20, 11, 5, 5);
    break;
  case PhoneUi::ItemNotes:
    p.drawRect(5, 2, 18, 24);
    p.setPen(QPen(QColor(120, 90, 10), 1));
    for (int y = 8; y <= 20; y += 4)
      p.drawLine(8, y, 20, y);
    break;
  case PhoneUi::ItemDialer:
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 3; ++col)
        p.drawRect(4 + 8 * col, 3 + 8 * r, 5, 5);
    p.drawRect(12, 26 - 1, 5, 2);
    break;
  case PhoneUi::ItemGallery:
    p.drawRect(2, 5, 24, 18);
    p.setBrush(Qt::white);
    p.drawEllipse(6, 8, 5, 5);
    p.drawPolygon(QPolygon({QPoint(5, 21), QPoint(13, 13), QPoint(18, 18),
                            QPoint(21, 15), QPoint(24, 21)}));
    break;
  case PhoneUi::ItemCamera:
    p.drawRoundedRect(2, 8, 24, 16, 3, 3);
    p.drawRect(9, 5, 10, 4);
    p.setBrush(Qt::white);
    p.drawEllipse(9, 11, 10, 10);
    p.setBrush(c);
    p.drawEllipse(12, 14, 4, 4);
    break;
  case PhoneUi::ItemSettings:
    p.drawEllipse(4, 4, 20, 20);
    p.setBrush(Qt::white);
    p.drawEllipse(10, 10, 8, 8);
    for (int i = 0; i < 4; ++i)
      p.drawRect(i % 2 ? 13 : (i ? 22 : 0), i % 2 ? (i == 1 ? 0 : 22) : 13,
                 i % 2 ? 2 : 6, i % 2 ? 6 : 2);
    break;
  case PhoneUi::ItemGames:
    p.drawRoundedRect(1, 8, 26, 14, 6, 6);
    p.setBrush(Qt::white);
    p.drawRect(6, 14, 7, 2);
    p.drawRect(8, 12, 2, 6);
    p.drawEllipse(18, 11, 3, 3);
    p.drawEllipse(21, 15, 3, 3);
    break;
  case PhoneUi::ItemClock:
    p.drawEllipse(2, 2, 24, 24);
    p.setBrush(Qt::white);
    p.drawEllipse(5, 5, 18, 18);
    p.setPen(QPen(c, 2));
    p.drawLine(14, 14, 14, 8);
    p.drawLine(14, 14, 19, 14);
    break;
  default:
    break;
  }
  p.restore();
}

void drawWrappedText(QPainter &p, const QRect &area, const QString &text,
                     bool cursor) {
  p.setPen(kInkColour);
  p.setFont(uiFont(12));
  const QFontMetrics fm(p.font());
  QStringList lines;
  QString line;
  for (QChar c : text) {
    if (c == QLatin1Char('\n')) {
      lines << line;
      line.clear();
      continue;
    }
    if (fm.horizontalAdvance(line + c) > area.width()) {
      // Break at the last blank when there is one.
      const int blank = line.lastIndexOf(QLatin1Char(' '));
      if (blank > 0) {
        lines << line.left(blank);
        line = line.mid(blank + 1);
      } else {
        lines << line;
        line.clear();
      }
    }
    line += c;
  }
  lines << line;
  const int lh = fm.height();
  const int visible = std::max(1, area.height() / lh);
  const int first = std::max<int>(0, lines.size() - visible);
  int y = area.top();
  for (int i = first; i < lines.size(); ++i, y += lh)
    p.drawText(area.left(), y + fm.ascent(), lines[i]);
  if (cursor) {
    const int cx = area.left() + fm.horizontalAdvance(lines.last());
    p.fillRect(cx + 1, y - lh + 1, 1, lh - 2, kAccent);
  }
}

} // namespace

PhoneUi::PhoneUi() : m_now(QDate(2024, 1, 1), QTime(12, 0)) {}

QString PhoneUi::menuItemName(int item) {
  static const char *names[kMenuItems] = {"Messages", "Names",   "Notes",
                                          "Dialer",   "Gallery", "Camera",
                                          "Settings", "Games",   "Clock"};
  return item >= 0 && item < kMenuItems ? QString::fromLatin1(names[item])
                                        : QString();
}

QStringList PhoneUi::contacts() {
  return {QStringLiteral("Alice Martin"),  QStringLiteral("Bruno Keller"),
          QStringLiteral("Chloe Dupont"),  QStringLiteral("Daniel Novak"),
          QStringLiteral("Eva Lindqvist"), QStringLiteral("Farid Haddad")};
}

QString PhoneUi::callingText() const {
  return QStringLiteral("Calling %1...").arg(m_callee);
}

bool PhoneUi::setClock(const QDateTime &now) {
  const bool changed = now.toString(QStringLiteral("yyyyMMddHHmm")) !=
                       m_now.toString(QStringLiteral("yyyyMMddHHmm"));
  m_now = now;
  return changed;
}

int PhoneUi::pcKey(int code) const {
  switch (m_screen) {
  case Screen::Home:
  case Screen::Notes:
  case Screen::Dialer:
    return 0; // these screens take text
  default:
    break;
  }
  switch (code) {
  case keys::kPcLeft:
    return keys::kJoyLeft;
  case keys::kPcUp:
    return keys::kJoyUp;
  case keys::kPcRight:
    return keys::kJoyRight;
  case keys::kPcDown:
    return keys::kJoyDown;
  case keys::kPcEnter:
    return keys::kJoyEnter;
  case keys::kPcEscape:
    return keys::kSoftRight;
  case keys::kPcBackspace:
    return keys::kClear;
  default:
    return 0;
  }
}

int PhoneUi::digitOf(int code) {
  if (code >= keys::kDigit0 && code <= keys::kDigit9)
    return code - keys::kDigit0;
  return -1;
}

bool PhoneUi::isDialChar(char16_t c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+';
}

bool PhoneUi::goHome() {
  if (m_screen == Screen::Home)
    return false;
  m_screen = Screen::Home;
  m_number.clear();
  m_callee.clear();
  return true;
}

bool PhoneUi::handleKey(int code) {
  if (code == keys::kRed)
    return goHome();
  if (code == keys::kMenu && m_screen != Screen::Calling) {
    if (m_screen == Screen::Menu)
      return false;
    m_screen = Screen::Menu;
    return true;
  }
  if (code >= 0 && code < 256) {
    const int key = pcKey(code);
    if (key == 0) {
      // Text arrives in the agent's code page, Windows-1252.
      return typeCharacter(code >= 0x80 && code < 0xA0
                               ? kWindows1252High[code - 0x80]
                               : char16_t(code));
    }
    code = key;
  }
  // The keypad's dial keys type their character on the screens that take
  // text; in the menu the digits 1 to 9 open the item at that place.
  const int digit = digitOf(code);
  if (digit >= 0 && m_screen == Screen::Menu)
    return digit > 0 && openMenuItem(digit - 1);
  const bool typing = m_screen == Screen::Home || m_screen == Screen::Dialer ||
                      m_screen == Screen::Notes;
  if (digit >= 0 || code == keys::kStar || code == keys::kHash) {
    if (!typing)
      return false;
    return typeCharacter(digit >= 0            ? char16_t('0' + digit)
                         : code == keys::kStar ? u'*'
                                               : u'#');
  }

  switch (m_screen) {
  case Screen::Home:
    return onHome(code);
  case Screen::Menu:
    return onMenu(code);
  case Screen::Notes:
    return onNotes(code);
  case Screen::Dialer:
    return onDialer(code);
  case Screen::Names:
    return onNames(code);
  case Screen::Calling:
    return code == keys::kSoftRight && goHome();
  case Screen::Gallery:
  case Screen::Info:
    if (code == keys::kSoftRight || code == keys::kClear) {
      m_screen = Screen::Menu;
      return true;
    }
    return false;
  }
  return false;
}

bool PhoneUi::typeCharacter(char16_t c) {
  switch (m_screen) {
  case Screen::Calling:
    return false;
  case Screen::Dialer:
    if (c == 8)
      return onDialer(keys::kClear);
    if (!isDialChar(c) || m_number.size() >= kMaxNumberLength)
      return false;
    m_number += QChar(c);
    return true;
  case Screen::Notes:
    if (c == 8)
      return onNotes(keys::kClear);
    if (c == '\r' || c == '\n')
      c = '\n';
    else if (c < 32 || (c >= 127 && c < 0xA0)) // control codes, C1 too
      return false;
    if (m_notes.size() >= kMaxNotesLength)
      return false;
    m_notes += QChar(c);
    return true;
  case Screen::Home:
    if (isDialChar(c)) {
      m_screen = Screen::Dialer;
      m_number = QChar(c);
      return true;
    }
    [[fallthrough]];
  default:
    // Text typed elsewhere opens the notes.
    if (c < 32 && c != '\r' && c != '\n')
      return false;
    m_screen = Screen::Notes;
    typeCharacter(c);
    return true;
  }
}

bool PhoneUi::onHome(int code) {
  switch (code) {
  case keys::kSoftLeft:
  case keys::kJoyEnter:
    m_screen = Screen::Menu;
    return true;
  case keys::kSoftRight:
    m_screen = Screen::Names;
    return true;
  default:
    return false;
  }
}

bool PhoneUi::onMenu(int code) {
  const int row = m_menuSelection / kMenuColumns;
  const int col = m_menuSelection % kMenuColumns;
  const int rows = kMenuItems / kMenuColumns;
  int next = m_menuSelection;
  switch (code) {
  case keys::kJoyLeft:
    next = row * kMenuColumns + (col + kMenuColumns - 1) % kMenuColumns;
    break;
  case keys::kJoyRight:
    next = row * kMenuColumns + (col + 1) % kMenuColumns;
    break;
  case keys::kJoyUp:
    next = ((row + rows - 1) % rows) * kMenuColumns + col;
    break;
  case keys::kJoyDown:
    next = ((row + 1) % rows) * kMenuColumns + col;
    break;
  case keys::kJoyEnter:
  case keys::kSoftLeft:
    return openMenuItem(m_menuSelection);
  case keys::kSoftRight:
  case keys::kClear:
    return goHome();
  default:
    return false;
  }
  if (next == m_menuSelection)
    return false;
  m_menuSelection = next;
  return true;
}

bool PhoneUi::openMenuItem(int item) {
  m_menuSelection = item;
  switch (item) {
  case ItemNotes:
    m_screen = Screen::Notes;
    break;
  case ItemDialer:
    m_screen = Screen::Dialer;
    m_number.clear();
    break;
  case ItemNames:
    m_screen = Screen::Names;
    break;
  case ItemGallery:
    m_screen = Screen::Gallery;
    break;
  default:
    m_screen = Screen::Info;
    m_infoItem = item;
    break;
  }
  return true;
}

bool PhoneUi::onNotes(int code) {
  switch (code) {
  case keys::kClear:
    if (m_notes.isEmpty())
      return false;
    m_notes.chop(1);
    return true;
  case keys::kSoftLeft:
    if (m_notes.isEmpty())
      return false;
    m_notes.clear();
    return true;
  case keys::kSoftRight:
    m_screen = Screen::Menu;
    return true;
  default:
    return false;
  }
}

bool PhoneUi::onDialer(int code) {
  switch (code) {
  case keys::kClear:
    if (m_number.isEmpty())
      return goHome();
    m_number.chop(1);
    return true;
  case keys::kCall:
  case keys::kSoftLeft:
  case keys::kJoyEnter:
    if (m_number.isEmpty())
      return false;
    m_callee = m_number;
    m_screen = Screen::Calling;
    return true;
  case keys::kSoftRight:
    return goHome();
  default:
    return false;
  }
}

bool PhoneUi::onNames(int code) {
  const int count = contacts().size();
  switch (code) {
  case keys::kJoyUp:
    m_namesSelection = (m_namesSelection + count - 1) % count;
    return true;
  case keys::kJoyDown:
    m_namesSelection = (m_namesSelection + 1) % count;
    return true;
  case keys::kCall:
  case keys::kSoftLeft:
  case keys::kJoyEnter:
    m_callee = contacts().at(m_namesSelection);
    m_screen = Screen::Calling;
    return true;
  case keys::kSoftRight:
  case keys::kClear:
    return goHome();
  default:
    return false;
  }
}

QImage PhoneUi::render() const {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  img.fill(kPageColour);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  const QRect content(0, kContentTop, kWidth, kContentBottom - kContentTop);
  const QRect body(0, kContentTop + kHeaderHeight, kWidth,
                   kContentBottom - kContentTop - kHeaderHeight);

  switch (m_screen) {
  case Screen::Home: {
    p.drawImage(content.topLeft(), wallpaper());
    // Operator name, large clock and date with a soft shadow.
    p.setFont(uiFont(11, true));
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(content.translated(1, 7), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Orbit Mobile"));
    p.setPen(Qt::white);
    p.drawText(content.translated(0, 6), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Orbit Mobile"));
    p.setFont(uiFont(34, true));
    const QRect clock(0, kContentTop + 30, kWidth, 44);
    p.setPen(QColor(0, 0, 0, 110));
    p.drawText(clock.translated(1, 2), Qt::AlignCenter,
               m_now.toString(QStringLiteral("HH:mm")));
    p.setPen(Qt::white);
    p.drawText(clock, Qt::AlignCenter, m_now.toString(QStringLiteral("HH:mm")));
    p.setFont(uiFont(11));
    p.drawText(
        QRect(0, kContentTop + 74, kWidth, 16), Qt::AlignCenter,
        QLocale::c().toString(m_now.date(), QStringLiteral("ddd d MMMM")));
    drawSoftKeys(p, QStringLiteral("Menu"), QStringLiteral("Names"));
    break;
  }
  case Screen::Menu: {
    drawHeader(p, QStringLiteral("Menu"));
    const int cellW = 56, cellH = 44;
    const int left = (kWidth - cellW * kMenuColumns) / 2;
    const int top = body.top() + 6;
    for (int i = 0; i < kMenuItems; ++i) {
      const QRect cell(left + (i % kMenuColumns) * cellW,
                       top + (i / kMenuColumns) * cellH, cellW, cellH);
      if (i == m_menuSelection) {
        p.setPen(QPen(kAccent, 2));
        p.setBrush(QColor(222, 233, 250));
        p.drawRoundedRect(cell.adjusted(3, 2, -3, -2), 6, 6);
      }
      drawIcon(p, i,
               QRect(cell.center().x() - 13, cell.center().y() - 13, 28, 28));
    }
    p.setPen(kInkColour);
    p.setFont(uiFont(12, true));
    p.drawText(QRect(0, top + 3 * cellH + 2, kWidth,
                     kContentBottom - (top + 3 * cellH + 2)),
               Qt::AlignCenter, menuItemName(m_menuSelection));
    drawSoftKeys(p, QStringLiteral("Select"), QStringLiteral("Back"));
    break;
  }
  case Screen::Notes:
    drawHeader(p, QStringLiteral("Notes"));
    p.fillRect(body, Qt::white);
    drawWrappedText(p, body.adjusted(5, 4, -5, -2), m_notes, true);
    drawSoftKeys(p, m_notes.isEmpty() ? QString() : QStringLiteral("Erase"),
                 QStringLiteral("Back"));
    break;
  case Screen::Dialer: {
    drawHeader(p, QStringLiteral("Dialer"));
    p.fillRect(body, Qt::white);
    // The number shrinks to fit, as on the real thing.
    int size = 30;
    QFont f = uiFont(size, true);
    while (size > 12 &&
           QFontMetrics(f).horizontalAdvance(m_number) > kWidth - 12) {
      f = uiFont(--size, true);
    }
    p.setFont(f);
    p.setPen(kInkColour);
    p.drawText(body.adjusted(6, 0, -6, -30), Qt::AlignRight | Qt::AlignVCenter,
               m_number);
    p.setPen(kMutedInk);
    p.setFont(uiFont(11));
    p.drawText(body.adjusted(6, 0, -6, -8), Qt::AlignHCenter | Qt::AlignBottom,
               QStringLiteral("Press Call to dial"));
    drawSoftKeys(p, QStringLiteral("Call"), QStringLiteral("Back"));
    break;
  }
  case Screen::Calling: {
    p.fillRect(content, QColor(20, 90, 58));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QPoint(kWidth / 2, kContentTop + 56), 30, 30);
    p.setBrush(Qt::white);
    p.drawEllipse(QPoint(kWidth / 2, kContentTop + 48), 9, 9);
    p.drawRoundedRect(kWidth / 2 - 15, kContentTop + 60, 30, 16, 7, 7);
    p.setPen(Qt::white);
    p.setFont(uiFont(13, true));
    p.drawText(QRect(6, kContentTop + 96, kWidth - 12, 70),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere,
               callingText());
    drawSoftKeys(p, QString(), QStringLiteral("End"));
    break;
  }
  case Screen::Names: {
    drawHeader(p, QStringLiteral("Names"));
    p.fillRect(body, Qt::white);
    const QStringList names = contacts();
    const int rowH = 24;
    p.setFont(uiFont(12));
    for (int i = 0; i < names.size(); ++i) {
      const QRect row(0, body.top() + i * rowH, kWidth, rowH);
      if (i == m_namesSelection) {
        p.fillRect(row, QColor(222, 233, 250));
        p.fillRect(row.left(), row.top(), 3, row.height(), kAccent);
      }
      p.setPen(Qt::NoPen);
      p.setBrush(itemColour(i % kMenuItems));
      p.drawEllipse(QPoint(16, row.center().y() + 1), 7, 7);
      p.setPen(kInkColour);
      p.drawText(row.adjusted(30, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                 names[i]);
    }
    drawSoftKeys(p, QStringLiteral("Call"), QStringLiteral("Back"));
    break;
  }
  case Screen::Gallery: {
    drawHeader(p, QStringLiteral("Gallery"));
    p.fillRect(body, QColor(20, 22, 26));
    p.drawImage(8, body.top() + 8, galleryPhoto());
    p.setPen(QColor(200, 204, 212));
    p.setFont(uiFont(11));
    p.drawText(QRect(0, body.top() + 132, kWidth, 16), Qt::AlignCenter,
               QStringLiteral("dusk.jpg  1/1"));
    drawSoftKeys(p, QString(), QStringLiteral("Back"));
    break;
  }
  case Screen::Info:
    drawHeader(p, menuItemName(m_infoItem));
    drawIcon(p, m_infoItem, QRect(kWidth / 2 - 14, body.top() + 30, 28, 28));
    p.setPen(kMutedInk);
    p.setFont(uiFont(12));
    p.drawText(QRect(0, body.top() + 70, kWidth, 20), Qt::AlignCenter,
               QStringLiteral("No items"));
    drawSoftKeys(p, QString(), QStringLiteral("Back"));
    break;
  }
  drawStatusBar(p, m_now);
  p.end();
  return img;
}

} // namespace phonesim
