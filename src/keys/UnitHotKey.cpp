#include "keys/UnitHotKey.h"

#include "keys/KeyTable.h"
#include "platform/KeyMapping.h"
#include "settings/Language.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTreeWidget>

QString FCaptEditKey = QStringLiteral("Edit button");

namespace {
TFormHotKey *g_formHotKey = nullptr;
} // namespace

TFormHotKey *FormHotKey() { return g_formHotKey; }
void SetFormHotKey(TFormHotKey *form) { g_formHotKey = form; }

TFormHotKey::TFormHotKey(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("FormHotKey");
  setFixedSize(ClientWidth, ClientHeight);
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setPixelSize(11);
  setFont(verdana);

  auto box = [this](QCheckBox *&b, const char *name, QRect geometry) {
    b = new QCheckBox(this);
    b->setObjectName(name);
    b->setGeometry(geometry);
    connect(b, &QCheckBox::clicked, this, &TFormHotKey::EditKeyChange);
  };
  // Wide enough for the longest translation of the modifier names.
  box(CheckBoxAlt, "CheckBoxAlt", {16, 16, 78, 17});
  box(CheckBoxCtrl, "CheckBoxCtrl", {16, 33, 78, 17});
  box(CheckBoxShift, "CheckBoxShift", {16, 50, 78, 17});

  ButtonOk = new QPushButton(this);
  ButtonOk->setObjectName("ButtonOk");
  ButtonOk->setGeometry(111, 59, 70, 25);
  ButtonCancel = new QPushButton(this);
  ButtonCancel->setObjectName("ButtonCancel");
  ButtonCancel->setGeometry(186, 59, 76, 25);
  for (QPushButton *b : {ButtonOk, ButtonCancel})
    b->setAutoDefault(false);
  connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

  // The captured key's name, large enough to read at a glance.
  EditKey = new QLineEdit(this);
  EditKey->setObjectName("EditKey");
  EditKey->setGeometry(98, 16, 159, 21);
  QFont large = verdana;
  large.setPixelSize(13);
  large.setBold(true);
  EditKey->setFont(large);
  EditKey->setContextMenuPolicy(Qt::NoContextMenu);
  EditKey->setAcceptDrops(false);
  EditKey->installEventFilter(this);
  connect(EditKey, &QLineEdit::textChanged, this, &TFormHotKey::EditKeyChange);

  setTabOrder(CheckBoxAlt, CheckBoxCtrl);
  setTabOrder(CheckBoxCtrl, CheckBoxShift);
  setTabOrder(CheckBoxShift, ButtonOk);
  setTabOrder(ButtonOk, ButtonCancel);
  setTabOrder(ButtonCancel, EditKey);
  ApplyTexts();
}

void TFormHotKey::ApplyTexts() {
  CheckBoxAlt->setText(UiText("KeyEditAlt"));
  CheckBoxCtrl->setText(UiText("KeyEditCtrl"));
  CheckBoxShift->setText(UiText("KeyEditShift"));
  ButtonOk->setText(UiText("KeyEditOk"));
  ButtonCancel->setText(UiText("KeyEditCancel"));
}

uint16_t TFormHotKey::CheckedModifiers() const {
  return (CheckBoxAlt->isChecked() ? KeyModAlt : 0) |
         (CheckBoxCtrl->isChecked() ? KeyModCtrl : 0) |
         (CheckBoxShift->isChecked() ? KeyModShift : 0);
}

void TFormHotKey::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (QWidget *owner = parentWidget()) {
    const QRect o = owner->window()->frameGeometry();
    move(o.left() + (o.width() - width()) / 2,
         o.top() + (o.height() - height()) / 2);
  }
  FormShow();
}

void TFormHotKey::accept() {
  if (ButtonOk->isEnabled())
    QDialog::accept();
}

void TFormHotKey::FormShow() { EditKey->setFocus(Qt::OtherFocusReason); }

bool TFormHotKey::EditKeyKeyPress() { return true; }

void TFormHotKey::EditKeyKeyDown(uint16_t virtualKey) {
  CapturedKey = virtualKey;
  EditKeyChange();
  setWindowTitle(QString::number(virtualKey));
}

void TFormHotKey::EditKeyChange() {
  const QString name = KeyName(CapturedKey);
  if (EditKey->text() != name)
    EditKey->setText(name);
  ButtonOk->setEnabled(CapturedKey != 0 &&
                       FindKeyByShortcut(CheckedModifiers(), CapturedKey) < 0);
}

bool TFormHotKey::eventFilter(QObject *watched, QEvent *event) {
  if (watched != EditKey)
    return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    // Tab and Shift+Tab stay with focus navigation.
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
      return false;
    EditKeyKeyDown(platform::VirtualKeyFromEvent(*key));
    return EditKeyKeyPress();
  }
  // Typed text from an input method is dropped like any character.
  if (event->type() == QEvent::InputMethod)
    return EditKeyKeyPress();
  return false;
}

// --- The key page -----------------------------------------------------------

namespace {
int SelectedRow(QTreeWidget *list) {
  const QList<QTreeWidgetItem *> items = list->selectedItems();
  return items.isEmpty() ? -1 : list->indexOfTopLevelItem(items.first());
}
} // namespace

void PageKeysShow(QTreeWidget *list) {
  FillKeyList(list);
  if (SelectedRow(list) < 0 && list->topLevelItemCount() > 0)
    list->setCurrentItem(list->topLevelItem(0));
}

void ListViewKeysDblClick(QTreeWidget *list, TFormHotKey &editor) {
  BtnKeyEditClick(list, editor);
}

bool BtnKeyEditClick(QTreeWidget *list, TFormHotKey &editor) {
  const int row = SelectedRow(list);
  if (row < 0 || row >= KeyTable().size())
    return false;
  TKey key = KeyAt(row);

  // The editor outlives a change of language.
  editor.ApplyTexts();

  editor.setWindowTitle(FCaptEditKey + QStringLiteral(": ") +
                        list->topLevelItem(row)->text(0));
  editor.CapturedKey = key.VirtualKey;
  {
    const QSignalBlocker block(editor.EditKey);
    editor.EditKey->setText(KeyName(key.VirtualKey));
  }
  editor.CheckBoxAlt->setChecked(key.Modifiers & KeyModAlt);
  editor.CheckBoxCtrl->setChecked(key.Modifiers & KeyModCtrl);
  editor.CheckBoxShift->setChecked(key.Modifiers & KeyModShift);
  // OK opens as the rule would set it for the key's present shortcut: an
  // unchanged shortcut is already in the table and cannot be accepted.
  editor.EditKeyChange();

  if (editor.exec() != QDialog::Accepted)
    return false;

  key.Modifiers = editor.CheckedModifiers();
  key.VirtualKey = editor.CapturedKey;
  // The row's own line is replaced. Looking it up by its code would miss a
  // line whose code is not written canonically, and would hit the first of
  // two lines that share a code.
  KeyTable()[row] = FormatKeyLine(key);
  FillKeyList(list);
  return true;
}
