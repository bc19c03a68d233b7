#include "app/SettingsDialog.h"

#include "app/AppException.h"
#include "app/ArtworkResources.h"
#include "app/CapturePage.h"
#include "app/ConnectionPage.h"
#include "app/KeysPage.h"
#include "app/LanguagePage.h"
#include "app/LogPage.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "settings/DialogSave.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTreeWidget>

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

QIcon pageIcon(int index) {
  switch (index) {
  case SettingsDialog::PageConnectionIndex:
    return menuIcon(2);
  case SettingsDialog::PageKeysIndex:
    return menuIcon(1);
  case SettingsDialog::PageCaptureIndex:
    return menuIcon(5);
  case SettingsDialog::PageLocalizationIndex:
    return QIcon(QStringLiteral(":/art/page_language.svg"));
  default:
    return QIcon(QStringLiteral(":/art/page_log.svg"));
  }
}

} // namespace

SettingsDialog::SettingsDialog(Settings &settings, KeyTable &keys,
                               bool showLogPage, const Paths &paths,
                               MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_settings(settings), m_showLogPage(showLogPage), m_paths(paths),
      m_boxes(boxes) {
  setObjectName("settingsDialog");
  setFixedSize(kClientWidth, kClientHeight);
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setPixelSize(11);
  setFont(verdana);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kChrome);
  setPalette(pal);

  m_pageTree = new QTreeWidget(this);
  m_pageTree->setObjectName("pageTree");
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
  m_banner->setObjectName("pageBanner");
  m_banner->setGeometry(214, 9, 328, 26);
  m_pageCaption = new QLabel(this);
  m_pageCaption->setObjectName("pageCaption");
  m_pageCaption->setGeometry(222, 8, 305, 25);
  QFont tahoma(QStringLiteral("Tahoma"));
  tahoma.setPixelSize(19);
  m_pageCaption->setFont(tahoma);
  m_pageCaption->setAttribute(Qt::WA_TranslucentBackground);
  QPalette caption = m_pageCaption->palette();
  caption.setColor(QPalette::WindowText, Qt::white);
  m_pageCaption->setPalette(caption);
  m_pageCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  m_pageStack = new QStackedWidget(this);
  m_pageStack->setObjectName("pageStack");
  m_pageStack->setGeometry(201, 35, 357, 320);

  m_buttonRule = new QFrame(this);
  m_buttonRule->setObjectName("buttonRule");
  m_buttonRule->setGeometry(205, 357, 337, 4);
  m_buttonRule->setFrameShape(QFrame::HLine);
  m_buttonRule->setFrameShadow(QFrame::Raised);

  m_saveButton = new QPushButton(this);
  m_saveButton->setObjectName("saveButton");
  m_saveButton->setGeometry(390, 368, 75, 25);
  m_saveButton->setDefault(true);
  m_cancelButton = new QPushButton(this);
  m_cancelButton->setObjectName("cancelButton");
  m_cancelButton->setGeometry(470, 368, 75, 25);
  connect(m_saveButton, &QPushButton::clicked, this,
          &SettingsDialog::saveAndClose);
  connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  m_connectionPage = new ConnectionPage(settings, m_paths, m_boxes);
  m_capturePage = new CapturePage;
  m_pages = {m_connectionPage, new KeysPage(keys), m_capturePage,
             new LanguagePage(m_paths.languageDirs()),
             new LogPage(EventLog::instance())};
  for (SettingsPage *page : m_pages)
    m_pageStack->addWidget(page);

  // Filling the dialog, in order: texts, tree, fields.
  retranslate();
  buildPageTree();
  for (SettingsPage *page : m_pages)
    page->load(settings);
  m_pageStack->setCurrentIndex(PageConnectionIndex);
  m_pageCaption->setText(m_captions.value(PageConnectionIndex));

  connect(m_pageTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem *node) { showPageOfNode(node); });
  connect(m_pageStack, &QStackedWidget::currentChanged, this,
          &SettingsDialog::selectNodeOfPage);
}

QWidget *SettingsDialog::page(int index) const { return m_pages.value(index); }

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
  m_saveButton->setText(uiText("SBtnSave"));
  m_cancelButton->setText(uiText("SBtnCancel"));
  for (SettingsPage *page : m_pages)
    page->retranslate();
  // Once built, the page tree and the page's caption follow too.
  for (int i = 0; i < m_pageTree->topLevelItemCount(); ++i) {
    QTreeWidgetItem *node = m_pageTree->topLevelItem(i);
    node->setText(0, m_captions.value(node->data(0, Qt::UserRole).toInt()));
  }
  if (m_pageTree->topLevelItemCount() > 0)
    m_pageCaption->setText(m_captions.value(m_pageStack->currentIndex()));
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

// --- Navigation -------------------------------------------------------------

void SettingsDialog::showPageOfNode(QTreeWidgetItem *node) {
  if (!node) {
    m_pageCaption->hide();
    return;
  }
  const int index = node->data(0, Qt::UserRole).toInt();
  m_pageStack->setCurrentIndex(index);
  m_pageCaption->setText(m_captions.value(index));
  m_pageCaption->show();
}

void SettingsDialog::selectNodeOfPage(int index) {
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
  if (SettingsPage *page = m_pages.value(index))
    page->pageShown(m_settings);
}

// --- Saving -----------------------------------------------------------------

void SettingsDialog::saveAndClose() {
  if (const auto refusal = checkTypedFields(
          {m_connectionPage->typedPort(), m_capturePage->typedFrameRate(),
           m_connectionPage->typedListenAddress()})) {
    showRefusal(*refusal);
    return;
  }
  try {
    Settings edited(m_paths);
    edited.setValues(m_settings.values());
    for (const SettingsPage *page : m_pages)
      page->store(edited);
    m_settings.saveDialog(edited.values());
  } catch (const SettingsWriteError &e) {
    // The file is as it was; the fields stay as typed for another try.
    m_boxes.show(this, MessageKind::Warning, windowTitle(), e.inDialog());
    return;
  } catch (const std::exception &e) {
    postAppException(this, e);
    return;
  }
  accept();
}

void SettingsDialog::showRefusal(const DialogRefusal &refusal) {
  // The refused field's page comes forward as it is: its show handler would
  // put back the held value and hide what was refused.
  const bool fps = refusal.field == DialogField::FPS;
  selectPageKeepingFields(fps ? PageCaptureIndex : PageConnectionIndex);
  m_boxes.show(this, MessageKind::Warning, windowTitle(), refusal.message);
  if (refusal.field == DialogField::ListenAddress)
    m_connectionPage->focusListenAddress();
  else if (fps)
    m_capturePage->focusFrameRate();
  else
    m_connectionPage->focusPort();
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
  m_pageCaption->setText(m_captions.value(index));
  m_pageCaption->show();
}
