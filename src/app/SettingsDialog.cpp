#include "app/SettingsDialog.h"

#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/HotKeyEditor.h"
#include "platform/SerialPortList.h"
#include "settings/KnownPhones.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>

namespace {

const QColor kAccent(40, 110, 220);
const QColor kAccentLight(140, 185, 245);
const QColor kChrome(236, 238, 242);
const QColor kBorder(190, 194, 204);

// The banner behind the page title: accent blue fading to a lighter blue.
class TGradientBanner : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    QLinearGradient g(0, 0, width(), 0);
    g.setColorAt(0, kAccent);
    g.setColorAt(1, kAccentLight);
    p.fillRect(rect(), g);
  }
};

// The language and log pages have no menu picture: a globe and a sheet,
// drawn on the same 16 x 16 grid.
QIcon globeIcon() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kAccent, 1.2));
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.drawEllipse(QRectF(5, 1.5, 6, 13));
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
  p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
  return QIcon(pm);
}

QIcon sheetIcon() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QColor(110, 116, 130));
  p.setBrush(Qt::white);
  p.drawRect(3, 1, 10, 14);
  p.setPen(kAccent);
  for (int y = 4; y <= 12; y += 2)
    p.drawLine(5, y, 11, y);
  return QIcon(pm);
}

QIcon pageIcon(int index) {
  switch (index) {
  case SettingsDialog::PageConnectionIndex:
    return QIcon(QStringLiteral(":/art/menu_02.png"));
  case SettingsDialog::PageKeysIndex:
    return QIcon(QStringLiteral(":/art/menu_01.png"));
  case SettingsDialog::PageCaptureIndex:
    return QIcon(QStringLiteral(":/art/menu_05.png"));
  case SettingsDialog::PageLocalizationIndex:
    return globeIcon();
  default:
    return sheetIcon();
  }
}

QLabel *newLabel(QWidget *parent, const char *name, int left, int top,
                 int width) {
  auto *l = new QLabel(parent);
  l->setObjectName(name);
  l->setGeometry(left, top, width, 17);
  return l;
}

QGroupBox *newGroup(QWidget *parent, const char *name, int top, int height) {
  auto *g = new QGroupBox(parent);
  g->setObjectName(name);
  g->setGeometry(13, top, 328, height);
  return g;
}

// Groups line up with the banner above them. Labels sit over their fields,
// so a long translation never pushes a field out of line: every field of a
// group starts at the same left edge.
constexpr int kFieldLeft = 12;
constexpr int kFieldWidth = 304;

} // namespace

SettingsDialog::SettingsDialog(bool showLogPage, const Paths &paths,
                               MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_showLogPage(showLogPage), m_paths(paths), m_boxes(boxes) {
  setObjectName("FrmSetting");
  setFixedSize(kClientWidth, kClientHeight);
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setPixelSize(11);
  setFont(verdana);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kChrome);
  setPalette(pal);

  m_pageTree = new QTreeWidget(this);
  m_pageTree->setObjectName("TreeViewCont");
  m_pageTree->setGeometry(8, 8, 193, 353);
  m_pageTree->setHeaderHidden(true);
  m_pageTree->setRootIsDecorated(false);
  m_pageTree->setIndentation(0);
  m_pageTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_pageTree->setIconSize(QSize(16, 16));
  m_pageTree->setFrameShape(QFrame::NoFrame);
  m_pageTree->setStyleSheet(
      QStringLiteral("QTreeWidget { background: white; border: 1px solid "
                     "rgb(190,194,204); }"
                     "QTreeWidget::item { padding: 3px 2px; }"
                     "QTreeWidget::item:selected { background: rgb(40,110,220);"
                     " color: white; }"));

  m_banner = new TGradientBanner(this);
  m_banner->setObjectName("LMDFill1");
  m_banner->setGeometry(214, 9, 328, 26);
  lblPageCaption = new QLabel(this);
  lblPageCaption->setObjectName("lblPageCaption");
  lblPageCaption->setGeometry(222, 8, 305, 25);
  QFont tahoma(QStringLiteral("Tahoma"));
  tahoma.setPixelSize(19);
  lblPageCaption->setFont(tahoma);
  lblPageCaption->setAttribute(Qt::WA_TranslucentBackground);
  QPalette caption = lblPageCaption->palette();
  caption.setColor(QPalette::WindowText, Qt::white);
  lblPageCaption->setPalette(caption);
  lblPageCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  m_pageStack = new QStackedWidget(this);
  m_pageStack->setObjectName("PageCont");
  m_pageStack->setGeometry(201, 35, 357, 320);

  m_buttonRule = new QFrame(this);
  m_buttonRule->setObjectName("Bevel1");
  m_buttonRule->setGeometry(205, 357, 337, 4);
  m_buttonRule->setFrameShape(QFrame::HLine);
  m_buttonRule->setFrameShadow(QFrame::Raised);

  m_saveButton = new QPushButton(this);
  m_saveButton->setObjectName("BtnSave");
  m_saveButton->setGeometry(390, 368, 75, 25);
  m_saveButton->setDefault(true);
  m_cancelButton = new QPushButton(this);
  m_cancelButton->setObjectName("BtnCancel");
  m_cancelButton->setGeometry(470, 368, 75, 25);
  connect(m_saveButton, &QPushButton::clicked, this,
          &SettingsDialog::btnSaveClick);
  connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  buildPages();

  // Filling the dialog, in order: texts, languages, tree, fields.
  retranslate();
  fillLanguages();
  buildPageTree();
  fillFields();
  m_pageStack->setCurrentIndex(PageConnectionIndex);
  lblPageCaption->setText(m_captions.value(PageConnectionIndex));

  connect(m_pageTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem *node) { treeViewContChange(node); });
  connect(m_pageStack, &QStackedWidget::currentChanged, this,
          &SettingsDialog::pageContChange);
}

void SettingsDialog::buildPages() {
  buildConnectionPage();
  buildKeysPage();
  buildCapturePage();
  buildLocalizationPage();
  buildLogPage();
  m_pages = {m_connectionPage, m_keysPage, m_capturePage, m_languagePage,
             m_logPage};
  for (QWidget *page : m_pages)
    m_pageStack->addWidget(page);
}

void SettingsDialog::buildConnectionPage() {
  m_connectionPage = new QWidget;
  m_connectionPage->setObjectName("PageConnection");
  // One group per link, stacked from the top; more fit below.
  int top = 6;
  auto group = [&](QGroupBox *&box, const char *boxName, QLabel *&label,
                   const char *labelName) {
    box = newGroup(m_connectionPage, boxName, top, 72);
    label = newLabel(box, labelName, kFieldLeft, 22, kFieldWidth);
    top += 80;
  };
  group(m_internetBox, "GPRSBox", m_internetLabel, "LabGPRS");
  m_portEdit = new QSpinBox(m_internetBox);
  m_portEdit->setObjectName("EditPort");
  m_portEdit->setGeometry(kFieldLeft, 41, 100, 22);
  // Out-of-range ports can be typed and are refused on saving, with a
  // message, rather than silently clamped.
  m_portEdit->setRange(0, 100000);
  m_portEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  m_portEdit->installEventFilter(this);

  auto portCombo = [](QGroupBox *box, const char *name) {
    auto *c = new QComboBox(box);
    c->setObjectName(name);
    c->setGeometry(kFieldLeft, 41, 180, 22);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
  };
  group(m_bluetoothBox, "BlueToothBox", m_bluetoothLabel, "LabBlueTooth");
  m_bluetoothPortCombo = portCombo(m_bluetoothBox, "ComboBoxBl");
  group(m_cableBox, "DataCableBox", m_cableLabel, "LabDataCable");
  m_cablePortCombo = portCombo(m_cableBox, "ComboBoxDt");

  // Beside the port: the one address to listen on, empty for all.
  m_listenAddressEdit = new QLineEdit(m_internetBox);
  m_listenAddressEdit->setObjectName("EditListenAddress");
  m_listenAddressEdit->setGeometry(kFieldLeft + 112, 41, kFieldWidth - 112, 22);
  m_listenAddressEdit->setPlaceholderText(uiText("UiEveryAddress"));
  m_listenAddressEdit->setToolTip(uiText("UiTipListenAddress"));
  m_listenAddressEdit->setText(QString::fromLatin1(AppSettings.listenAddress));

  // The phones served when only known phones are.
  m_phonesBox = newGroup(m_connectionPage, "PhonesBox", top, 52);
  m_phonesBox->setTitle(uiText("UiKnownPhones"));
  m_knownPhonesCombo = new QComboBox(m_phonesBox);
  m_knownPhonesCombo->setObjectName("ComboKnownPhones");
  m_knownPhonesCombo->setGeometry(kFieldLeft, 20, kFieldWidth - 84, 22);
  m_removePhoneButton = new QPushButton(uiText("UiRemovePhone"), m_phonesBox);
  m_removePhoneButton->setObjectName("BtnRemovePhone");
  m_removePhoneButton->setGeometry(kFieldLeft + kFieldWidth - 78, 20, 78, 22);
  connect(m_removePhoneButton, &QPushButton::clicked, this,
          &SettingsDialog::btnRemovePhoneClick);
  fillKnownPhones();
}

void SettingsDialog::fillKnownPhones() {
  m_knownPhonesCombo->clear();
  for (const KnownPhone &phone : loadKnownPhones(m_paths))
    m_knownPhonesCombo->addItem(
        QStringLiteral("%1  %2").arg(QString::fromLatin1(phone.block),
                                     QString::fromUtf8(phone.name)),
        phone.block);
  m_removePhoneButton->setEnabled(m_knownPhonesCombo->count() > 0);
}

void SettingsDialog::btnRemovePhoneClick() {
  const QByteArray block = m_knownPhonesCombo->currentData().toByteArray();
  if (block.isEmpty())
    return;
  try {
    removeKnownPhone(m_paths, block);
  } catch (const std::exception &e) {
    m_boxes.show(
        this, MessageKind::Warning, windowTitle(),
        uiText("UiPhoneNotRemoved").arg(QString::fromLocal8Bit(e.what())));
  }
  fillKnownPhones();
}

void SettingsDialog::buildKeysPage() {
  m_keysPage = new QWidget;
  m_keysPage->setObjectName("PageKeys");
  m_keyList = new QTreeWidget(m_keysPage);
  m_keyList->setObjectName("ListViewKeys");
  m_keyList->setGeometry(13, 8, 328, 264);
  m_keyList->setColumnCount(3);
  m_keyList->setRootIsDecorated(false);
  m_keyList->setIndentation(0);
  m_keyList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_keyList->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_keyList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_keyList->header()->setStretchLastSection(false);
  m_keyList->setColumnWidth(0, 110);
  m_keyList->setColumnWidth(1, 45);
  m_keyList->setColumnWidth(2, 170);
  m_editKeyButton = new QPushButton(m_keysPage);
  m_editKeyButton->setObjectName("BtnKeyEdit");
  m_editKeyButton->setGeometry(266, 282, 75, 25);
  connect(m_editKeyButton, &QPushButton::clicked, this,
          &SettingsDialog::btnKeyEditClick);
  connect(m_keyList, &QTreeWidget::itemDoubleClicked, this,
          [this] { listViewKeysDblClick(m_keyList, hotKeyEditor()); });
}

void SettingsDialog::buildCapturePage() {
  m_capturePage = new QWidget;
  m_capturePage->setObjectName("PageCapture");
  auto browse = [](QWidget *parent, const char *name, int top) {
    auto *b = new QPushButton(QStringLiteral("\u2026"), parent);
    b->setObjectName(name);
    b->setGeometry(kFieldLeft + kFieldWidth - 26, top, 26, 22);
    return b;
  };

  m_videoBox = newGroup(m_capturePage, "BoxVideo", 6, 120);
  m_videoFileLabel =
      newLabel(m_videoBox, "LabAVIFileName", kFieldLeft, 22, kFieldWidth);
  m_videoFileEdit = new QLineEdit(m_videoBox);
  m_videoFileEdit->setObjectName("EditAVI");
  m_videoFileEdit->setGeometry(kFieldLeft, 41, kFieldWidth - 30, 22);
  m_videoBrowseButton = browse(m_videoBox, "BtnAVIBrowse", 41);
  m_frameRateLabel =
      newLabel(m_videoBox, "LabFramePerSec", kFieldLeft, 70, kFieldWidth);
  m_frameRateEdit = new QSpinBox(m_videoBox);
  m_frameRateEdit->setObjectName("EditFPS");
  m_frameRateEdit->setGeometry(kFieldLeft, 89, 70, 22);
  // As the port: a rate out of range can be typed whole and is refused on
  // saving, rather than cut to its first digit.
  m_frameRateEdit->setRange(0, 999);
  m_frameRateEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);

  m_imageBox = newGroup(m_capturePage, "BoxImage", 134, 120);
  m_imageTypeLabel =
      newLabel(m_imageBox, "LabImageForm", kFieldLeft, 22, kFieldWidth);
  m_imageTypeCombo = new QComboBox(m_imageBox);
  m_imageTypeCombo->setObjectName("ComBoxImageType");
  m_imageTypeCombo->setGeometry(kFieldLeft, 41, 100, 22);
  m_imageTypeCombo->addItems({QStringLiteral("BMP"), QStringLiteral("JPEG")});
  m_imageFolderLabel =
      newLabel(m_imageBox, "LabDefDirect", kFieldLeft, 70, kFieldWidth);
  m_imageFolderEdit = new QLineEdit(m_imageBox);
  m_imageFolderEdit->setObjectName("EditImageDirect");
  m_imageFolderEdit->setGeometry(kFieldLeft, 89, kFieldWidth - 30, 22);
  m_imageFolderBrowseButton = browse(m_imageBox, "BtnImageDirBrowse", 89);

  connect(m_videoBrowseButton, &QPushButton::clicked, this,
          &SettingsDialog::editAVIButtonClick);
  connect(m_imageFolderBrowseButton, &QPushButton::clicked, this,
          &SettingsDialog::editImageDirectButtonClick);
}

void SettingsDialog::buildLocalizationPage() {
  m_languagePage = new QWidget;
  m_languagePage->setObjectName("PageLocalization");
  m_languageLabel = newLabel(m_languagePage, "LabLanguage", 13, 8, 328);
  m_languageCombo = new QComboBox(m_languagePage);
  m_languageCombo->setObjectName("ComboLanguage");
  m_languageCombo->setGeometry(13, 27, 200, 22);
}

void SettingsDialog::buildLogPage() {
  m_logPage = new QWidget;
  m_logPage->setObjectName("PageLogFile");
  m_logFileLabel = newLabel(m_logPage, "LabLogFile", 13, 8, 328);
  m_logFileLabel->setText(uiText("UiLogFile"));
  QFont bold = m_logFileLabel->font();
  bold.setBold(true);
  m_logFileLabel->setFont(bold);
  // A log switch: its check box and, beside it, the label that names it.
  auto logSwitch = [this](QCheckBox *&box, const char *boxName, QLabel *&label,
                          const char *labelName, int top, const char *textKey) {
    box = new QCheckBox(m_logPage);
    box->setObjectName(boxName);
    box->setGeometry(13, top, 17, 17);
    label = newLabel(m_logPage, labelName, 35, top, 200);
    label->setText(uiText(textKey));
    label->setBuddy(box);
  };
  logSwitch(m_logCommandsCheck, "JvXPCheckboxComand", m_logCommandsLabel,
            "LabCommand", 36, "UiLogCommand");
  logSwitch(m_logPacketSizeCheck, "JvXPCheckboxSize", m_logPacketSizeLabel,
            "LabPacketSize", 62, "UiLogPacketSize");
  // Both start unticked, whatever the switches hold.
  connect(m_logCommandsCheck, &QCheckBox::clicked, this,
          &SettingsDialog::jvXPCheckboxComandClick);
  connect(m_logPacketSizeCheck, &QCheckBox::clicked, this,
          &SettingsDialog::jvXPCheckboxSizeClick);
}

void SettingsDialog::changeEvent(QEvent *event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::LanguageChange)
    retranslate();
}

void SettingsDialog::retranslate() {
  setWindowTitle(uiText("SCaption"));
  m_captions = {uiText("SPageConnection"), uiText("SPageKeys"),
                uiText("SPageCapture"), uiText("SPageLocalization"),
                uiText("SPageLogFile")};
  m_internetBox->setTitle(uiText("SGPRSBox"));
  m_bluetoothBox->setTitle(uiText("SBlueToothBox"));
  m_cableBox->setTitle(uiText("SDataCableBox"));
  m_internetLabel->setText(uiText("SLabGPRS"));
  m_bluetoothLabel->setText(uiText("SLabBlueTooth"));
  m_cableLabel->setText(uiText("SLabDataCable"));
  m_editKeyButton->setText(uiText("SBtnKeyEdit"));
  m_videoBox->setTitle(uiText("SBoxVideo"));
  m_imageBox->setTitle(uiText("SBoxImage"));
  m_videoFileLabel->setText(uiText("SLabAVIFileName"));
  m_frameRateLabel->setText(uiText("SLabFramePerSec"));
  m_imageTypeLabel->setText(uiText("SLabImageForm"));
  m_imageFolderLabel->setText(uiText("SLabDefDirect"));
  m_languageLabel->setText(uiText("SLabLanguage"));
  m_saveButton->setText(uiText("SBtnSave"));
  m_cancelButton->setText(uiText("SBtnCancel"));
  m_keyList->setHeaderLabels(
      {uiText("SListName"), uiText("SListCode"), uiText("SListShortcut")});
  // Once built, the page tree, the page's caption and the language list's
  // first entry follow too.
  for (int i = 0; i < m_pageTree->topLevelItemCount(); ++i) {
    QTreeWidgetItem *node = m_pageTree->topLevelItem(i);
    node->setText(0, m_captions.value(node->data(0, Qt::UserRole).toInt()));
  }
  if (m_pageTree->topLevelItemCount() > 0)
    lblPageCaption->setText(m_captions.value(m_pageStack->currentIndex()));
  if (m_languageCombo->count() > 0)
    m_languageCombo->setItemText(0, uiText("SLDefault"));
}

void SettingsDialog::fillLanguages() {
  const QString lines =
      listLanguageFolders(m_paths.languageDirs(), uiText("SLDefault"));
  m_languageCombo->addItems(lines.split(QStringLiteral("\r\n")));
  const QString language = QString::fromLocal8Bit(AppSettings.language);
  if (language.isEmpty()) {
    m_languageCombo->setCurrentIndex(0);
    return;
  }
  int found = -1;
  for (int i = 1; i < m_languageCombo->count(); ++i)
    if (m_languageCombo->itemText(i) == language)
      found = i;
  m_languageCombo->setCurrentIndex(found);
}

void SettingsDialog::buildPageTree() {
  for (int i = 0; i < PageCount; ++i) {
    if (i == PageLogFileIndex && !m_showLogPage)
      continue;
    auto *node = new QTreeWidgetItem(m_pageTree, {m_captions.value(i)});
    node->setIcon(0, pageIcon(i));
    node->setData(0, Qt::UserRole, i);
  }
}

void SettingsDialog::fillFields() {
  m_portEdit->setValue(AppSettings.port);
  m_bluetoothPortCombo->setEditText(
      QString::fromLocal8Bit(AppSettings.blueToothPort));
  m_cablePortCombo->setEditText(QString::fromLocal8Bit(AppSettings.dataPort));
  m_videoFileEdit->setText(QString::fromLocal8Bit(AppSettings.aviName));
  m_frameRateEdit->setValue(AppSettings.fps);
  m_imageFolderEdit->setText(QString::fromLocal8Bit(AppSettings.imageDir));
  m_imageTypeCombo->setCurrentIndex(AppSettings.imageType == "JPEG" ? 1 : 0);
}

// --- Navigation
// ---------------------------------------------------------------

void SettingsDialog::treeViewContChange(QTreeWidgetItem *node) {
  if (!node) {
    lblPageCaption->hide();
    return;
  }
  const int index = node->data(0, Qt::UserRole).toInt();
  m_pageStack->setCurrentIndex(index);
  lblPageCaption->setText(m_captions.value(index));
  lblPageCaption->show();
}

void SettingsDialog::pageContChange(int index) {
  for (int i = 0; i < m_pageTree->topLevelItemCount(); ++i) {
    QTreeWidgetItem *node = m_pageTree->topLevelItem(i);
    if (node->data(0, Qt::UserRole).toInt() == index &&
        m_pageTree->currentItem() != node)
      m_pageTree->setCurrentItem(node);
  }
  showPage(index);
}

void SettingsDialog::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    showPage(m_pageStack->currentIndex());
}

void SettingsDialog::showPage(int index) {
  switch (index) {
  case PageConnectionIndex:
    pageConnectionShow();
    break;
  case PageKeysIndex:
    pageKeysShow(m_keyList);
    break;
  case PageCaptureIndex:
    pageCaptureShow();
    break;
  default:
    break;
  }
}

void SettingsDialog::pageConnectionShow() {
  m_portEdit->setValue(AppSettings.port);
  QStringList ports;
  try {
    for (const SerialPortEntry &entry :
         readSerialPortTable(m_paths.configDir()))
      if (!ports.contains(entry.portName))
        ports.append(entry.portName);
  } catch (const std::exception &e) {
    // The lists stay empty; the fields still take any typed name.
    qWarning().noquote() << "The serial port list could not be read:"
                         << e.what();
    ports.clear();
  }
  std::sort(ports.begin(), ports.end(), [](const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  for (auto [combo, text] :
       {std::pair{m_bluetoothPortCombo, AppSettings.blueToothPort},
        std::pair{m_cablePortCombo, AppSettings.dataPort}}) {
    combo->clear();
    combo->addItems(ports);
    combo->setCurrentIndex(-1);
    combo->setEditText(QString::fromLocal8Bit(text));
  }
}

void SettingsDialog::pageCaptureShow() {
  m_frameRateEdit->setValue(AppSettings.fps);
}

// --- Fields -----------------------------------------------------------------

bool SettingsDialog::editPortKeyPress(QChar key) {
  return portKeyAccepted(key);
}

bool SettingsDialog::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_portEdit && event->type() == QEvent::KeyPress) {
    const QString text = static_cast<QKeyEvent *>(event)->text();
    // Keys without a character (arrows, Delete, Tab) do what they always do.
    if (!text.isEmpty() && text.at(0).isPrint())
      return !editPortKeyPress(text.at(0));
  }
  return QDialog::eventFilter(watched, event);
}

void SettingsDialog::jvXPCheckboxComandClick() {
  EventLog::instance().setOn(LogSwitch::Commands,
                             m_logCommandsCheck->isChecked());
}

void SettingsDialog::jvXPCheckboxSizeClick() {
  EventLog::instance().setOn(LogSwitch::PacketSize,
                             m_logPacketSizeCheck->isChecked());
}

void SettingsDialog::editAVIButtonClick() {
  QFileDialog dialog(this, QString(), m_videoFileEdit->text(),
                     uiText("UiVideoFileFilter"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("avi"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    m_videoFileEdit->setText(
        QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

void SettingsDialog::editImageDirectButtonClick() {
  const QString dir = QFileDialog::getExistingDirectory(
      this, QString(), m_imageFolderEdit->text());
  if (!dir.isEmpty())
    m_imageFolderEdit->setText(QDir::toNativeSeparators(dir) +
                               QDir::separator());
}

HotKeyEditor &SettingsDialog::hotKeyEditor() {
  if (HotKeyEditor *editor = formHotKey())
    return *editor;
  if (!m_ownEditor)
    m_ownEditor = new HotKeyEditor(this);
  return *m_ownEditor;
}

void SettingsDialog::btnKeyEditClick() {
  ::btnKeyEditClick(m_keyList, hotKeyEditor());
}

DialogValues SettingsDialog::values() const {
  DialogValues v;
  v.port = m_portEdit->text();
  v.blueToothPort = m_bluetoothPortCombo->currentText();
  v.dataPort = m_cablePortCombo->currentText();
  v.imageType = m_imageTypeCombo->currentText();
  v.imageDir = m_imageFolderEdit->text();
  v.languageIndex = m_languageCombo->currentIndex();
  v.languageName = m_languageCombo->currentText();
  v.aviName = m_videoFileEdit->text();
  v.fps = m_frameRateEdit->text();
  v.listenAddress = m_listenAddressEdit->text();
  return v;
}

void SettingsDialog::btnSaveClick() {
  std::optional<DialogRefusal> refusal;
  try {
    refusal = saveDialogValues(m_paths, values());
  } catch (const SettingsWriteError &e) {
    // The file is as it was; the fields stay as typed for another try.
    m_boxes.show(this, MessageKind::Warning, windowTitle(), e.inDialog());
    return;
  } catch (const std::exception &e) {
    postAppException(this, e);
    return;
  }
  if (!refusal) {
    accept();
    return;
  }
  // The refused field's page comes forward as it is: its show handler would
  // put back the held value and hide what was refused.
  const bool fps = refusal->field == DialogField::FPS;
  selectPageKeepingFields(fps ? PageCaptureIndex : PageConnectionIndex);
  m_boxes.show(this, MessageKind::Warning, windowTitle(), refusal->message);
  if (refusal->field == DialogField::ListenAddress) {
    m_listenAddressEdit->setFocus(Qt::OtherFocusReason);
    m_listenAddressEdit->selectAll();
    return;
  }
  QAbstractSpinBox *field =
      fps ? static_cast<QAbstractSpinBox *>(m_frameRateEdit)
          : static_cast<QAbstractSpinBox *>(m_portEdit);
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

void SettingsDialog::selectPageKeepingFields(int index) {
  {
    const QSignalBlocker pages(m_pageStack);
    m_pageStack->setCurrentIndex(index);
  }
  const QSignalBlocker tree(m_pageTree);
  for (int i = 0; i < m_pageTree->topLevelItemCount(); ++i) {
    QTreeWidgetItem *node = m_pageTree->topLevelItem(i);
    if (node->data(0, Qt::UserRole).toInt() == index)
      m_pageTree->setCurrentItem(node);
  }
  lblPageCaption->setText(m_captions.value(index));
  lblPageCaption->show();
}
