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

constexpr int StatusHeight = 16;
constexpr int SoftHeight = 16;
constexpr int ContentTop = StatusHeight;
constexpr int ContentBottom = PhoneUi::Height - SoftHeight; // exclusive
constexpr int HeaderHeight = 20;

const QColor BarColour(32, 38, 46);
const QColor Accent(40, 110, 220);
const QColor PageColour(246, 247, 250);
const QColor InkColour(28, 30, 36);
const QColor MutedInk(110, 116, 128);

QFont UiFont(int pixelSize, bool bold = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

// A small integer hash for repeatable noise.
quint32 Hash(quint32 x, quint32 y) {
  quint32 h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

int Clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v); }

// A photographic picture: a dusk sky with a low sun, hills and grain.
QImage MakeLandscape(int w, int h, double sunX, double sunY, quint32 seed) {
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
      const int n = int(Hash(x + seed * 977, y) % 13) - 6;
      line[x] = qRgb(Clamp255(r + n), Clamp255(g + n), Clamp255(b + n));
    }
  }
  return img;
}

const QImage &Wallpaper() {
  static const QImage img =
      MakeLandscape(PhoneUi::Width, ContentBottom - ContentTop, 0.7, 0.55, 3);
  return img;
}

const QImage &GalleryPhoto() {
  static const QImage img = MakeLandscape(160, 120, 0.3, 0.4, 11);
  return img;
}

void DrawStatusBar(QPainter &p, const QDateTime &now) {
  p.fillRect(0, 0, PhoneUi::Width, StatusHeight, BarColour);
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
  p.setFont(UiFont(11, true));
  p.drawText(QRect(40, 0, 96, StatusHeight), Qt::AlignCenter,
             now.toString(QStringLiteral("HH:mm")));
}

void DrawSoftKeys(QPainter &p, const QString &left, const QString &right,
                  const QString &middle = QString()) {
  const int top = ContentBottom;
  p.fillRect(0, top, PhoneUi::Width, SoftHeight, BarColour);
  p.setPen(QColor(235, 238, 242));
  p.setFont(UiFont(11, true));
  p.drawText(QRect(4, top, 80, SoftHeight), Qt::AlignLeft | Qt::AlignVCenter,
             left);
  p.drawText(QRect(92, top, 80, SoftHeight), Qt::AlignRight | Qt::AlignVCenter,
             right);
  if (!middle.isEmpty())
    p.drawText(QRect(48, top, 80, SoftHeight), Qt::AlignCenter, middle);
}

void DrawHeader(QPainter &p, const QString &title) {
  p.fillRect(0, ContentTop, PhoneUi::Width, HeaderHeight, Accent);
  p.setPen(Qt::white);
  p.setFont(UiFont(12, true));
  p.drawText(QRect(6, ContentTop, PhoneUi::Width - 12, HeaderHeight),
             Qt::AlignLeft | Qt::AlignVCenter, title);
}

QColor ItemColour(int item) {
  static const QColor colours[PhoneUi::MenuItems] = {
      QColor(236, 142, 40),  QColor(60, 160, 90),  QColor(230, 190, 40),
      QColor(40, 170, 110),  QColor(170, 80, 200), QColor(90, 100, 120),
      QColor(120, 130, 150), QColor(220, 70, 80),  QColor(40, 110, 220)};
  return colours[item];
}

// 28 x 28 pictograms, one accent colour each.
void DrawIcon(QPainter &p, int item, const QRect &box) {
  const QColor c = ItemColour(item);
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

void DrawWrappedText(QPainter &p, const QRect &area, const QString &text,
                     bool cursor) {
  p.setPen(InkColour);
  p.setFont(UiFont(12));
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
    p.fillRect(cx + 1, y - lh + 1, 1, lh - 2, Accent);
  }
}

} // namespace

PhoneUi::PhoneUi() : m_now(QDate(2024, 1, 1), QTime(12, 0)) {}

QString PhoneUi::MenuItemName(int item) {
  static const char *names[MenuItems] = {"Messages", "Names",   "Notes",
                                         "Dialer",   "Gallery", "Camera",
                                         "Settings", "Games",   "Clock"};
  return item >= 0 && item < MenuItems ? QString::fromLatin1(names[item])
                                       : QString();
}

QStringList PhoneUi::Contacts() {
  return {QStringLiteral("Alice Martin"),  QStringLiteral("Bruno Keller"),
          QStringLiteral("Chloe Dupont"),  QStringLiteral("Daniel Novak"),
          QStringLiteral("Eva Lindqvist"), QStringLiteral("Farid Haddad")};
}

QString PhoneUi::CallingText() const {
  return QStringLiteral("Calling %1...").arg(m_callee);
}

bool PhoneUi::SetClock(const QDateTime &now) {
  const bool changed = now.toString(QStringLiteral("yyyyMMddHHmm")) !=
                       m_now.toString(QStringLiteral("yyyyMMddHHmm"));
  m_now = now;
  return changed;
}

int PhoneUi::PcKey(int code) const {
  switch (m_screen) {
  case Screen::Home:
  case Screen::Notes:
  case Screen::Dialer:
    return 0; // these screens take text
  default:
    break;
  }
  switch (code) {
  case keys::PcLeft:
    return keys::JoyLeft;
  case keys::PcUp:
    return keys::JoyUp;
  case keys::PcRight:
    return keys::JoyRight;
  case keys::PcDown:
    return keys::JoyDown;
  case keys::PcEnter:
    return keys::JoyEnter;
  case keys::PcEscape:
    return keys::SoftRight;
  case keys::PcBackspace:
    return keys::Clear;
  default:
    return 0;
  }
}

int PhoneUi::DigitOf(int code) {
  if (code >= keys::Digit0 && code <= keys::Digit9)
    return code - keys::Digit0;
  return -1;
}

bool PhoneUi::IsDialChar(char16_t c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+';
}

bool PhoneUi::GoHome() {
  if (m_screen == Screen::Home)
    return false;
  m_screen = Screen::Home;
  m_number.clear();
  m_callee.clear();
  return true;
}

bool PhoneUi::HandleKey(int code) {
  if (code == keys::Red)
    return GoHome();
  if (code == keys::Menu && m_screen != Screen::Calling) {
    if (m_screen == Screen::Menu)
      return false;
    m_screen = Screen::Menu;
    return true;
  }
  if (code >= 0 && code < 256) {
    const int key = PcKey(code);
    if (key == 0) {
      // Text arrives in the agent's code page, Windows-1252.
      return TypeCharacter(code >= 0x80 && code < 0xA0
                               ? Windows1252High[code - 0x80]
                               : char16_t(code));
    }
    code = key;
  }
  // The keypad's dial keys type their character on the screens that take
  // text; in the menu the digits 1 to 9 open the item at that place.
  const int digit = DigitOf(code);
  if (digit >= 0 && m_screen == Screen::Menu)
    return digit > 0 && OpenMenuItem(digit - 1);
  const bool typing = m_screen == Screen::Home || m_screen == Screen::Dialer ||
                      m_screen == Screen::Notes;
  if (digit >= 0 || code == keys::Star || code == keys::Hash) {
    if (!typing)
      return false;
    return TypeCharacter(digit >= 0           ? char16_t('0' + digit)
                         : code == keys::Star ? u'*'
                                              : u'#');
  }

  switch (m_screen) {
  case Screen::Home:
    return OnHome(code);
  case Screen::Menu:
    return OnMenu(code);
  case Screen::Notes:
    return OnNotes(code);
  case Screen::Dialer:
    return OnDialer(code);
  case Screen::Names:
    return OnNames(code);
  case Screen::Calling:
    return code == keys::SoftRight && GoHome();
  case Screen::Gallery:
  case Screen::Info:
    if (code == keys::SoftRight || code == keys::Clear) {
      m_screen = Screen::Menu;
      return true;
    }
    return false;
  }
  return false;
}

bool PhoneUi::TypeCharacter(char16_t c) {
  switch (m_screen) {
  case Screen::Calling:
    return false;
  case Screen::Dialer:
    if (c == 8)
      return OnDialer(keys::Clear);
    if (!IsDialChar(c) || m_number.size() >= MaxNumberLength)
      return false;
    m_number += QChar(c);
    return true;
  case Screen::Notes:
    if (c == 8)
      return OnNotes(keys::Clear);
    if (c == '\r' || c == '\n')
      c = '\n';
    else if (c < 32 || (c >= 127 && c < 0xA0)) // control codes, C1 too
      return false;
    if (m_notes.size() >= MaxNotesLength)
      return false;
    m_notes += QChar(c);
    return true;
  case Screen::Home:
    if (IsDialChar(c)) {
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
    TypeCharacter(c);
    return true;
  }
}

bool PhoneUi::OnHome(int code) {
  switch (code) {
  case keys::SoftLeft:
  case keys::JoyEnter:
    m_screen = Screen::Menu;
    return true;
  case keys::SoftRight:
    m_screen = Screen::Names;
    return true;
  default:
    return false;
  }
}

bool PhoneUi::OnMenu(int code) {
  const int row = m_menuSelection / MenuColumns;
  const int col = m_menuSelection % MenuColumns;
  const int rows = MenuItems / MenuColumns;
  int next = m_menuSelection;
  switch (code) {
  case keys::JoyLeft:
    next = row * MenuColumns + (col + MenuColumns - 1) % MenuColumns;
    break;
  case keys::JoyRight:
    next = row * MenuColumns + (col + 1) % MenuColumns;
    break;
  case keys::JoyUp:
    next = ((row + rows - 1) % rows) * MenuColumns + col;
    break;
  case keys::JoyDown:
    next = ((row + 1) % rows) * MenuColumns + col;
    break;
  case keys::JoyEnter:
  case keys::SoftLeft:
    return OpenMenuItem(m_menuSelection);
  case keys::SoftRight:
  case keys::Clear:
    return GoHome();
  default:
    return false;
  }
  if (next == m_menuSelection)
    return false;
  m_menuSelection = next;
  return true;
}

bool PhoneUi::OpenMenuItem(int item) {
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

bool PhoneUi::OnNotes(int code) {
  switch (code) {
  case keys::Clear:
    if (m_notes.isEmpty())
      return false;
    m_notes.chop(1);
    return true;
  case keys::SoftLeft:
    if (m_notes.isEmpty())
      return false;
    m_notes.clear();
    return true;
  case keys::SoftRight:
    m_screen = Screen::Menu;
    return true;
  default:
    return false;
  }
}

bool PhoneUi::OnDialer(int code) {
  switch (code) {
  case keys::Clear:
    if (m_number.isEmpty())
      return GoHome();
    m_number.chop(1);
    return true;
  case keys::Call:
  case keys::SoftLeft:
  case keys::JoyEnter:
    if (m_number.isEmpty())
      return false;
    m_callee = m_number;
    m_screen = Screen::Calling;
    return true;
  case keys::SoftRight:
    return GoHome();
  default:
    return false;
  }
}

bool PhoneUi::OnNames(int code) {
  const int count = Contacts().size();
  switch (code) {
  case keys::JoyUp:
    m_namesSelection = (m_namesSelection + count - 1) % count;
    return true;
  case keys::JoyDown:
    m_namesSelection = (m_namesSelection + 1) % count;
    return true;
  case keys::Call:
  case keys::SoftLeft:
  case keys::JoyEnter:
    m_callee = Contacts().at(m_namesSelection);
    m_screen = Screen::Calling;
    return true;
  case keys::SoftRight:
  case keys::Clear:
    return GoHome();
  default:
    return false;
  }
}

QImage PhoneUi::Render() const {
  QImage img(Width, Height, QImage::Format_RGB32);
  img.fill(PageColour);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  const QRect content(0, ContentTop, Width, ContentBottom - ContentTop);
  const QRect body(0, ContentTop + HeaderHeight, Width,
                   ContentBottom - ContentTop - HeaderHeight);

  switch (m_screen) {
  case Screen::Home: {
    p.drawImage(content.topLeft(), Wallpaper());
    // Operator name, large clock and date with a soft shadow.
    p.setFont(UiFont(11, true));
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(content.translated(1, 7), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Orbit Mobile"));
    p.setPen(Qt::white);
    p.drawText(content.translated(0, 6), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Orbit Mobile"));
    p.setFont(UiFont(34, true));
    const QRect clock(0, ContentTop + 30, Width, 44);
    p.setPen(QColor(0, 0, 0, 110));
    p.drawText(clock.translated(1, 2), Qt::AlignCenter,
               m_now.toString(QStringLiteral("HH:mm")));
    p.setPen(Qt::white);
    p.drawText(clock, Qt::AlignCenter, m_now.toString(QStringLiteral("HH:mm")));
    p.setFont(UiFont(11));
    p.drawText(
        QRect(0, ContentTop + 74, Width, 16), Qt::AlignCenter,
        QLocale::c().toString(m_now.date(), QStringLiteral("ddd d MMMM")));
    DrawSoftKeys(p, QStringLiteral("Menu"), QStringLiteral("Names"));
    break;
  }
  case Screen::Menu: {
    DrawHeader(p, QStringLiteral("Menu"));
    const int cellW = 56, cellH = 44;
    const int left = (Width - cellW * MenuColumns) / 2;
    const int top = body.top() + 6;
    for (int i = 0; i < MenuItems; ++i) {
      const QRect cell(left + (i % MenuColumns) * cellW,
                       top + (i / MenuColumns) * cellH, cellW, cellH);
      if (i == m_menuSelection) {
        p.setPen(QPen(Accent, 2));
        p.setBrush(QColor(222, 233, 250));
        p.drawRoundedRect(cell.adjusted(3, 2, -3, -2), 6, 6);
      }
      DrawIcon(p, i,
               QRect(cell.center().x() - 13, cell.center().y() - 13, 28, 28));
    }
    p.setPen(InkColour);
    p.setFont(UiFont(12, true));
    p.drawText(QRect(0, top + 3 * cellH + 2, Width,
                     ContentBottom - (top + 3 * cellH + 2)),
               Qt::AlignCenter, MenuItemName(m_menuSelection));
    DrawSoftKeys(p, QStringLiteral("Select"), QStringLiteral("Back"));
    break;
  }
  case Screen::Notes:
    DrawHeader(p, QStringLiteral("Notes"));
    p.fillRect(body, Qt::white);
    DrawWrappedText(p, body.adjusted(5, 4, -5, -2), m_notes, true);
    DrawSoftKeys(p, m_notes.isEmpty() ? QString() : QStringLiteral("Erase"),
                 QStringLiteral("Back"));
    break;
  case Screen::Dialer: {
    DrawHeader(p, QStringLiteral("Dialer"));
    p.fillRect(body, Qt::white);
    // The number shrinks to fit, as on the real thing.
    int size = 30;
    QFont f = UiFont(size, true);
    while (size > 12 &&
           QFontMetrics(f).horizontalAdvance(m_number) > Width - 12) {
      f = UiFont(--size, true);
    }
    p.setFont(f);
    p.setPen(InkColour);
    p.drawText(body.adjusted(6, 0, -6, -30), Qt::AlignRight | Qt::AlignVCenter,
               m_number);
    p.setPen(MutedInk);
    p.setFont(UiFont(11));
    p.drawText(body.adjusted(6, 0, -6, -8), Qt::AlignHCenter | Qt::AlignBottom,
               QStringLiteral("Press Call to dial"));
    DrawSoftKeys(p, QStringLiteral("Call"), QStringLiteral("Back"));
    break;
  }
  case Screen::Calling: {
    p.fillRect(content, QColor(20, 90, 58));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QPoint(Width / 2, ContentTop + 56), 30, 30);
    p.setBrush(Qt::white);
    p.drawEllipse(QPoint(Width / 2, ContentTop + 48), 9, 9);
    p.drawRoundedRect(Width / 2 - 15, ContentTop + 60, 30, 16, 7, 7);
    p.setPen(Qt::white);
    p.setFont(UiFont(13, true));
    p.drawText(QRect(6, ContentTop + 96, Width - 12, 70),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere,
               CallingText());
    DrawSoftKeys(p, QString(), QStringLiteral("End"));
    break;
  }
  case Screen::Names: {
    DrawHeader(p, QStringLiteral("Names"));
    p.fillRect(body, Qt::white);
    const QStringList names = Contacts();
    const int rowH = 24;
    p.setFont(UiFont(12));
    for (int i = 0; i < names.size(); ++i) {
      const QRect row(0, body.top() + i * rowH, Width, rowH);
      if (i == m_namesSelection) {
        p.fillRect(row, QColor(222, 233, 250));
        p.fillRect(row.left(), row.top(), 3, row.height(), Accent);
      }
      p.setPen(Qt::NoPen);
      p.setBrush(ItemColour(i % MenuItems));
      p.drawEllipse(QPoint(16, row.center().y() + 1), 7, 7);
      p.setPen(InkColour);
      p.drawText(row.adjusted(30, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                 names[i]);
    }
    DrawSoftKeys(p, QStringLiteral("Call"), QStringLiteral("Back"));
    break;
  }
  case Screen::Gallery: {
    DrawHeader(p, QStringLiteral("Gallery"));
    p.fillRect(body, QColor(20, 22, 26));
    p.drawImage(8, body.top() + 8, GalleryPhoto());
    p.setPen(QColor(200, 204, 212));
    p.setFont(UiFont(11));
    p.drawText(QRect(0, body.top() + 132, Width, 16), Qt::AlignCenter,
               QStringLiteral("dusk.jpg  1/1"));
    DrawSoftKeys(p, QString(), QStringLiteral("Back"));
    break;
  }
  case Screen::Info:
    DrawHeader(p, MenuItemName(m_infoItem));
    DrawIcon(p, m_infoItem, QRect(Width / 2 - 14, body.top() + 30, 28, 28));
    p.setPen(MutedInk);
    p.setFont(UiFont(12));
    p.drawText(QRect(0, body.top() + 70, Width, 20), Qt::AlignCenter,
               QStringLiteral("No items"));
    DrawSoftKeys(p, QString(), QStringLiteral("Back"));
    break;
  }
  DrawStatusBar(p, m_now);
  p.end();
  return img;
}

} // namespace phonesim
