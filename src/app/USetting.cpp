#include "app/USetting.h"

#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/UnitHotKey.h"
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
QIcon GlobeIcon() {
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

QIcon SheetIcon() {
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

QIcon PageIcon(int index) {
  switch (index) {
  case TFrmSetting::PageConnectionIndex:
    return QIcon(QStringLiteral(":/art/menu_02.png"));
  case TFrmSetting::PageKeysIndex:
    return QIcon(QStringLiteral(":/art/menu_01.png"));
  case TFrmSetting::PageCaptureIndex:
    return QIcon(QStringLiteral(":/art/menu_05.png"));
  case TFrmSetting::PageLocalizationIndex:
    return GlobeIcon();
  default:
    return SheetIcon();
  }
}

QLabel *NewLabel(QWidget *parent, const char *name, int left, int top,
                 int width) {
  auto *l = new QLabel(parent);
  l->setObjectName(name);
  l->setGeometry(left, top, width, 17);
  return l;
}

QGroupBox *NewGroup(QWidget *parent, const char *name, int top, int height) {
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

TFrmSetting::TFrmSetting(bool showLogPage, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_showLogPage(showLogPage) {
  setObjectName("FrmSetting");
  setFixedSize(ClientWidth, ClientHeight);
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setPixelSize(11);
  setFont(verdana);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kChrome);
  setPalette(pal);

  TreeViewCont = new QTreeWidget(this);
  TreeViewCont->setObjectName("TreeViewCont");
  TreeViewCont->setGeometry(8, 8, 193, 353);
  TreeViewCont->setHeaderHidden(true);
  TreeViewCont->setRootIsDecorated(false);
  TreeViewCont->setIndentation(0);
  TreeViewCont->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeViewCont->setIconSize(QSize(16, 16));
  TreeViewCont->setFrameShape(QFrame::NoFrame);
  TreeViewCont->setStyleSheet(
      QStringLiteral("QTreeWidget { background: white; border: 1px solid "
                     "rgb(190,194,204); }"
                     "QTreeWidget::item { padding: 3px 2px; }"
                     "QTreeWidget::item:selected { background: rgb(40,110,220);"
                     " color: white; }"));

  LMDFill1 = new TGradientBanner(this);
  LMDFill1->setObjectName("LMDFill1");
  LMDFill1->setGeometry(214, 9, 328, 26);
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

  PageCont = new QStackedWidget(this);
  PageCont->setObjectName("PageCont");
  PageCont->setGeometry(201, 35, 357, 320);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setGeometry(205, 357, 337, 4);
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Raised);

  BtnSave = new QPushButton(this);
  BtnSave->setObjectName("BtnSave");
  BtnSave->setGeometry(390, 368, 75, 25);
  BtnSave->setDefault(true);
  BtnCancel = new QPushButton(this);
  BtnCancel->setObjectName("BtnCancel");
  BtnCancel->setGeometry(470, 368, 75, 25);
  connect(BtnSave, &QPushButton::clicked, this, &TFrmSetting::BtnSaveClick);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  BuildPages();

  // Filling the dialog, in order: texts, languages, tree, fields.
  ApplyTexts();
  FillLanguages();
  BuildPageTree();
  FillFields();
  PageCont->setCurrentIndex(PageConnectionIndex);
  lblPageCaption->setText(m_captions.value(PageConnectionIndex));

  connect(TreeViewCont, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem *node) { TreeViewContChange(node); });
  connect(PageCont, &QStackedWidget::currentChanged, this,
          &TFrmSetting::PageContChange);
}

void TFrmSetting::BuildPages() {
  BuildConnectionPage();
  BuildKeysPage();
  BuildCapturePage();
  BuildLocalizationPage();
  BuildLogPage();
  m_pages = {PageConnection, PageKeys, PageCapture, PageLocalization,
             PageLogFile};
  for (QWidget *page : m_pages)
    PageCont->addWidget(page);
}

void TFrmSetting::BuildConnectionPage() {
  PageConnection = new QWidget;
  PageConnection->setObjectName("PageConnection");
  // One group per link, stacked from the top; more fit below.
  int top = 6;
  auto group = [&](QGroupBox *&box, const char *boxName, QLabel *&label,
                   const char *labelName) {
    box = NewGroup(PageConnection, boxName, top, 72);
    label = NewLabel(box, labelName, kFieldLeft, 22, kFieldWidth);
    top += 80;
  };
  group(GPRSBox, "GPRSBox", LabGPRS, "LabGPRS");
  EditPort = new QSpinBox(GPRSBox);
  EditPort->setObjectName("EditPort");
  EditPort->setGeometry(kFieldLeft, 41, 100, 22);
  // Out-of-range ports can be typed and are refused on saving, with a
  // message, rather than silently clamped.
  EditPort->setRange(0, 100000);
  EditPort->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  EditPort->installEventFilter(this);

  auto portCombo = [](QGroupBox *box, const char *name) {
    auto *c = new QComboBox(box);
    c->setObjectName(name);
    c->setGeometry(kFieldLeft, 41, 180, 22);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
  };
  group(BlueToothBox, "BlueToothBox", LabBlueTooth, "LabBlueTooth");
  ComboBoxBl = portCombo(BlueToothBox, "ComboBoxBl");
  group(DataCableBox, "DataCableBox", LabDataCable, "LabDataCable");
  ComboBoxDt = portCombo(DataCableBox, "ComboBoxDt");

  // Beside the port: the one address to listen on, empty for all.
  EditListenAddress = new QLineEdit(GPRSBox);
  EditListenAddress->setObjectName("EditListenAddress");
  EditListenAddress->setGeometry(kFieldLeft + 112, 41, kFieldWidth - 112, 22);
  EditListenAddress->setPlaceholderText(UiText("UiEveryAddress"));
  EditListenAddress->setToolTip(UiText("UiTipListenAddress"));
  EditListenAddress->setText(QString::fromLatin1(AppSettings.ListenAddress));

  // The phones served when only known phones are.
  PhonesBox = NewGroup(PageConnection, "PhonesBox", top, 52);
  PhonesBox->setTitle(UiText("UiKnownPhones"));
  ComboKnownPhones = new QComboBox(PhonesBox);
  ComboKnownPhones->setObjectName("ComboKnownPhones");
  ComboKnownPhones->setGeometry(kFieldLeft, 20, kFieldWidth - 84, 22);
  BtnRemovePhone = new QPushButton(UiText("UiRemovePhone"), PhonesBox);
  BtnRemovePhone->setObjectName("BtnRemovePhone");
  BtnRemovePhone->setGeometry(kFieldLeft + kFieldWidth - 78, 20, 78, 22);
  connect(BtnRemovePhone, &QPushButton::clicked, this,
          &TFrmSetting::BtnRemovePhoneClick);
  FillKnownPhones();
}

void TFrmSetting::FillKnownPhones() {
  ComboKnownPhones->clear();
  for (const TKnownPhone &phone : LoadKnownPhones())
    ComboKnownPhones->addItem(
        QStringLiteral("%1  %2").arg(QString::fromLatin1(phone.Block),
                                     QString::fromUtf8(phone.Name)),
        phone.Block);
  BtnRemovePhone->setEnabled(ComboKnownPhones->count() > 0);
}

void TFrmSetting::BtnRemovePhoneClick() {
  const QByteArray block = ComboKnownPhones->currentData().toByteArray();
  if (block.isEmpty())
    return;
  try {
    RemoveKnownPhone(block);
  } catch (const std::exception &e) {
    ShowMessageBox(
        this, TMessageKind::Warning, windowTitle(),
        UiText("UiPhoneNotRemoved").arg(QString::fromLocal8Bit(e.what())));
  }
  FillKnownPhones();
}

void TFrmSetting::BuildKeysPage() {
  PageKeys = new QWidget;
  PageKeys->setObjectName("PageKeys");
  ListViewKeys = new QTreeWidget(PageKeys);
  ListViewKeys->setObjectName("ListViewKeys");
  ListViewKeys->setGeometry(13, 8, 328, 264);
  ListViewKeys->setColumnCount(3);
  ListViewKeys->setRootIsDecorated(false);
  ListViewKeys->setIndentation(0);
  ListViewKeys->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListViewKeys->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewKeys->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewKeys->header()->setStretchLastSection(false);
  ListViewKeys->setColumnWidth(0, 110);
  ListViewKeys->setColumnWidth(1, 45);
  ListViewKeys->setColumnWidth(2, 170);
  BtnKeyEdit = new QPushButton(PageKeys);
  BtnKeyEdit->setObjectName("BtnKeyEdit");
  BtnKeyEdit->setGeometry(266, 282, 75, 25);
  connect(BtnKeyEdit, &QPushButton::clicked, this,
          &TFrmSetting::BtnKeyEditClick);
  connect(ListViewKeys, &QTreeWidget::itemDoubleClicked, this,
          [this] { ListViewKeysDblClick(ListViewKeys, HotKeyEditor()); });
}

void TFrmSetting::BuildCapturePage() {
  PageCapture = new QWidget;
  PageCapture->setObjectName("PageCapture");
  auto browse = [](QWidget *parent, const char *name, int top) {
    auto *b = new QPushButton(QStringLiteral("\u2026"), parent);
    b->setObjectName(name);
    b->setGeometry(kFieldLeft + kFieldWidth - 26, top, 26, 22);
    return b;
  };

  BoxVideo = NewGroup(PageCapture, "BoxVideo", 6, 120);
  LabAVIFileName =
      NewLabel(BoxVideo, "LabAVIFileName", kFieldLeft, 22, kFieldWidth);
  EditAVI = new QLineEdit(BoxVideo);
  EditAVI->setObjectName("EditAVI");
  EditAVI->setGeometry(kFieldLeft, 41, kFieldWidth - 30, 22);
  BtnAVIBrowse = browse(BoxVideo, "BtnAVIBrowse", 41);
  LabFramePerSec =
      NewLabel(BoxVideo, "LabFramePerSec", kFieldLeft, 70, kFieldWidth);
  EditFPS = new QSpinBox(BoxVideo);
  EditFPS->setObjectName("EditFPS");
  EditFPS->setGeometry(kFieldLeft, 89, 70, 22);
  // As the port: a rate out of range can be typed whole and is refused on
  // saving, rather than cut to its first digit.
  EditFPS->setRange(0, 999);
  EditFPS->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);

  BoxImage = NewGroup(PageCapture, "BoxImage", 134, 120);
  LabImageForm =
      NewLabel(BoxImage, "LabImageForm", kFieldLeft, 22, kFieldWidth);
  ComBoxImageType = new QComboBox(BoxImage);
  ComBoxImageType->setObjectName("ComBoxImageType");
  ComBoxImageType->setGeometry(kFieldLeft, 41, 100, 22);
  ComBoxImageType->addItems({QStringLiteral("BMP"), QStringLiteral("JPEG")});
  LabDefDirect =
      NewLabel(BoxImage, "LabDefDirect", kFieldLeft, 70, kFieldWidth);
  EditImageDirect = new QLineEdit(BoxImage);
  EditImageDirect->setObjectName("EditImageDirect");
  EditImageDirect->setGeometry(kFieldLeft, 89, kFieldWidth - 30, 22);
  BtnImageDirBrowse = browse(BoxImage, "BtnImageDirBrowse", 89);

  connect(BtnAVIBrowse, &QPushButton::clicked, this,
          &TFrmSetting::EditAVIButtonClick);
  connect(BtnImageDirBrowse, &QPushButton::clicked, this,
          &TFrmSetting::EditImageDirectButtonClick);
}

void TFrmSetting::BuildLocalizationPage() {
  PageLocalization = new QWidget;
  PageLocalization->setObjectName("PageLocalization");
  LabLanguage = NewLabel(PageLocalization, "LabLanguage", 13, 8, 328);
  ComboLanguage = new QComboBox(PageLocalization);
  ComboLanguage->setObjectName("ComboLanguage");
  ComboLanguage->setGeometry(13, 27, 200, 22);
}

void TFrmSetting::BuildLogPage() {
  PageLogFile = new QWidget;
  PageLogFile->setObjectName("PageLogFile");
  LabLogFile = NewLabel(PageLogFile, "LabLogFile", 13, 8, 328);
  LabLogFile->setText(UiText("UiLogFile"));
  QFont bold = LabLogFile->font();
  bold.setBold(true);
  LabLogFile->setFont(bold);
  // A log switch: its check box and, beside it, the label that names it.
  auto logSwitch = [this](QCheckBox *&box, const char *boxName, QLabel *&label,
                          const char *labelName, int top, const char *textKey) {
    box = new QCheckBox(PageLogFile);
    box->setObjectName(boxName);
    box->setGeometry(13, top, 17, 17);
    label = NewLabel(PageLogFile, labelName, 35, top, 200);
    label->setText(UiText(textKey));
    label->setBuddy(box);
  };
  logSwitch(JvXPCheckboxComand, "JvXPCheckboxComand", LabCommand, "LabCommand",
            36, "UiLogCommand");
  logSwitch(JvXPCheckboxSize, "JvXPCheckboxSize", LabPacketSize,
            "LabPacketSize", 62, "UiLogPacketSize");
  // Both start unticked, whatever the switches hold.
  connect(JvXPCheckboxComand, &QCheckBox::clicked, this,
          &TFrmSetting::JvXPCheckboxComandClick);
  connect(JvXPCheckboxSize, &QCheckBox::clicked, this,
          &TFrmSetting::JvXPCheckboxSizeClick);
}

void TFrmSetting::ApplyTexts() {
  QHash<QString, QString> t;
  ::ApplyTexts(
      LangList, DialogLanguageKeys(),
      [&t](const QString &key, const QString &text) { t.insert(key, text); });
  m_captions = {t["SPageConnection"], t["SPageKeys"], t["SPageCapture"],
                t["SPageLocalization"], t["SPageLogFile"]};
  GPRSBox->setTitle(t["SGPRSBox"]);
  BlueToothBox->setTitle(t["SBlueToothBox"]);
  DataCableBox->setTitle(t["SDataCableBox"]);
  LabGPRS->setText(t["SLabGPRS"]);
  LabBlueTooth->setText(t["SLabBlueTooth"]);
  LabDataCable->setText(t["SLabDataCable"]);
  BtnKeyEdit->setText(t["SBtnKeyEdit"]);
  BoxVideo->setTitle(t["SBoxVideo"]);
  BoxImage->setTitle(t["SBoxImage"]);
  LabAVIFileName->setText(t["SLabAVIFileName"]);
  LabFramePerSec->setText(t["SLabFramePerSec"]);
  LabImageForm->setText(t["SLabImageForm"]);
  LabDefDirect->setText(t["SLabDefDirect"]);
  LabLanguage->setText(t["SLabLanguage"]);
  BtnSave->setText(t["SBtnSave"]);
  BtnCancel->setText(t["SBtnCancel"]);
  ListViewKeys->setHeaderLabels(
      {t["SListName"], t["SListCode"], t["SListShortcut"]});
}

void TFrmSetting::FillLanguages() {
  const QString lines =
      ListLanguageFolders(ExeDir() + QStringLiteral("Languages"), SLDefault);
  ComboLanguage->addItems(lines.split(QStringLiteral("\r\n")));
  const QString language = QString::fromLocal8Bit(AppSettings.Language);
  if (language.isEmpty()) {
    ComboLanguage->setCurrentIndex(0);
    return;
  }
  int found = -1;
  for (int i = 1; i < ComboLanguage->count(); ++i)
    if (ComboLanguage->itemText(i) == language)
      found = i;
  ComboLanguage->setCurrentIndex(found);
}

void TFrmSetting::BuildPageTree() {
  for (int i = 0; i < PageCount; ++i) {
    if (i == PageLogFileIndex && !m_showLogPage)
      continue;
    auto *node = new QTreeWidgetItem(TreeViewCont, {m_captions.value(i)});
    node->setIcon(0, PageIcon(i));
    node->setData(0, Qt::UserRole, i);
  }
}

void TFrmSetting::FillFields() {
  EditPort->setValue(AppSettings.Port);
  ComboBoxBl->setEditText(QString::fromLocal8Bit(AppSettings.BlueToothPort));
  ComboBoxDt->setEditText(QString::fromLocal8Bit(AppSettings.DataPort));
  EditAVI->setText(QString::fromLocal8Bit(AppSettings.AVIName));
  EditFPS->setValue(AppSettings.FPS);
  EditImageDirect->setText(QString::fromLocal8Bit(AppSettings.ImageDir));
  ComBoxImageType->setCurrentIndex(AppSettings.ImageType == "JPEG" ? 1 : 0);
}

// --- Navigation
// ---------------------------------------------------------------

void TFrmSetting::TreeViewContChange(QTreeWidgetItem *node) {
  if (!node) {
    lblPageCaption->hide();
    return;
  }
  const int index = node->data(0, Qt::UserRole).toInt();
  PageCont->setCurrentIndex(index);
  lblPageCaption->setText(m_captions.value(index));
  lblPageCaption->show();
}

void TFrmSetting::PageContChange(int index) {
  for (int i = 0; i < TreeViewCont->topLevelItemCount(); ++i) {
    QTreeWidgetItem *node = TreeViewCont->topLevelItem(i);
    if (node->data(0, Qt::UserRole).toInt() == index &&
        TreeViewCont->currentItem() != node)
      TreeViewCont->setCurrentItem(node);
  }
  ShowPage(index);
}

void TFrmSetting::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    ShowPage(PageCont->currentIndex());
}

void TFrmSetting::ShowPage(int index) {
  switch (index) {
  case PageConnectionIndex:
    PageConnectionShow();
    break;
  case PageKeysIndex:
    PageKeysShow(ListViewKeys);
    break;
  case PageCaptureIndex:
    PageCaptureShow();
    break;
  default:
    break;
  }
}

void TFrmSetting::PageConnectionShow() {
  EditPort->setValue(AppSettings.Port);
  QStringList ports;
  try {
    for (const TSerialPortEntry &entry : ReadSerialPortTable(ExeDir()))
      if (!ports.contains(entry.PortName))
        ports.append(entry.PortName);
  } catch (const std::exception &e) {
    // The lists stay empty; the fields still take any typed name.
    qWarning().noquote() << "The serial port list could not be read:"
                         << e.what();
    ports.clear();
  }
  std::sort(ports.begin(), ports.end(), [](const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  for (auto [combo, text] : {std::pair{ComboBoxBl, AppSettings.BlueToothPort},
                             std::pair{ComboBoxDt, AppSettings.DataPort}}) {
    combo->clear();
    combo->addItems(ports);
    combo->setCurrentIndex(-1);
    combo->setEditText(QString::fromLocal8Bit(text));
  }
}

void TFrmSetting::PageCaptureShow() { EditFPS->setValue(AppSettings.FPS); }

// --- Fields -----------------------------------------------------------------

bool TFrmSetting::EditPortKeyPress(QChar key) { return PortKeyAccepted(key); }

bool TFrmSetting::eventFilter(QObject *watched, QEvent *event) {
  if (watched == EditPort && event->type() == QEvent::KeyPress) {
    const QString text = static_cast<QKeyEvent *>(event)->text();
    // Keys without a character (arrows, Delete, Tab) do what they always do.
    if (!text.isEmpty() && text.at(0).isPrint())
      return !EditPortKeyPress(text.at(0));
  }
  return QDialog::eventFilter(watched, event);
}

void TFrmSetting::JvXPCheckboxComandClick() {
  LogCommands = JvXPCheckboxComand->isChecked();
}

void TFrmSetting::JvXPCheckboxSizeClick() {
  LogPacketSize = JvXPCheckboxSize->isChecked();
}

void TFrmSetting::EditAVIButtonClick() {
  QFileDialog dialog(this, QString(), EditAVI->text(),
                     UiText("UiVideoFileFilter"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("avi"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    EditAVI->setText(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

void TFrmSetting::EditImageDirectButtonClick() {
  const QString dir = QFileDialog::getExistingDirectory(
      this, QString(), EditImageDirect->text());
  if (!dir.isEmpty())
    EditImageDirect->setText(QDir::toNativeSeparators(dir) + QDir::separator());
}

TFormHotKey &TFrmSetting::HotKeyEditor() {
  if (TFormHotKey *editor = FormHotKey())
    return *editor;
  if (!m_ownEditor)
    m_ownEditor = new TFormHotKey(this);
  return *m_ownEditor;
}

void TFrmSetting::BtnKeyEditClick() {
  ::BtnKeyEditClick(ListViewKeys, HotKeyEditor());
}

TDialogValues TFrmSetting::Values() const {
  TDialogValues v;
  v.Port = EditPort->text();
  v.BlueToothPort = ComboBoxBl->currentText();
  v.DataPort = ComboBoxDt->currentText();
  v.ImageType = ComBoxImageType->currentText();
  v.ImageDir = EditImageDirect->text();
  v.LanguageIndex = ComboLanguage->currentIndex();
  v.LanguageName = ComboLanguage->currentText();
  v.AVIName = EditAVI->text();
  v.FPS = EditFPS->text();
  v.ListenAddress = EditListenAddress->text();
  return v;
}

void TFrmSetting::BtnSaveClick() {
  std::optional<TDialogRefusal> refusal;
  try {
    refusal = SaveDialogValues(Values());
  } catch (const SettingsWriteError &e) {
    // The file is as it was; the fields stay as typed for another try.
    ShowMessageBox(this, TMessageKind::Warning, windowTitle(), e.InDialog());
    return;
  } catch (const std::exception &e) {
    PostAppException(this, e);
    return;
  }
  if (!refusal) {
    accept();
    return;
  }
  // The refused field's page comes forward as it is: its show handler would
  // put back the held value and hide what was refused.
  const bool fps = refusal->Field == TDialogField::FPS;
  SelectPageKeepingFields(fps ? PageCaptureIndex : PageConnectionIndex);
  ShowMessageBox(this, TMessageKind::Warning, windowTitle(), refusal->Message);
  if (refusal->Field == TDialogField::ListenAddress) {
    EditListenAddress->setFocus(Qt::OtherFocusReason);
    EditListenAddress->selectAll();
    return;
  }
  QAbstractSpinBox *field = fps ? static_cast<QAbstractSpinBox *>(EditFPS)
                                : static_cast<QAbstractSpinBox *>(EditPort);
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

void TFrmSetting::SelectPageKeepingFields(int index) {
  {
    const QSignalBlocker pages(PageCont);
    PageCont->setCurrentIndex(index);
  }
  const QSignalBlocker tree(TreeViewCont);
  for (int i = 0; i < TreeViewCont->topLevelItemCount(); ++i) {
    QTreeWidgetItem *node = TreeViewCont->topLevelItem(i);
    if (node->data(0, Qt::UserRole).toInt() == index)
      TreeViewCont->setCurrentItem(node);
  }
  lblPageCaption->setText(m_captions.value(index));
  lblPageCaption->show();
}
