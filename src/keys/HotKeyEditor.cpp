#include "keys/HotKeyEditor.h"

#include "keys/KeyTable.h"
#include "keys/KeyTableModel.h"
#include "platform/KeyMapping.h"
#include "settings/Language.h"

#include <QKeyEvent>
#include <QSignalBlocker>

HotKeyEditor::HotKeyEditor(const KeyTable &table, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_table(table) {
  setObjectName("FormHotKey");
  setFixedSize(kClientWidth, kClientHeight);
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setPixelSize(11);
  setFont(verdana);

  auto box = [this](QCheckBox *&b, const char *name, QRect geometry) {
    b = new QCheckBox(this);
    b->setObjectName(name);
    b->setGeometry(geometry);
    connect(b, &QCheckBox::clicked, this, &HotKeyEditor::editKeyChange);
  };
  // Wide enough for the longest translation of the modifier names.
  box(m_altCheck, "CheckBoxAlt", {16, 16, 78, 17});
  box(m_ctrlCheck, "CheckBoxCtrl", {16, 33, 78, 17});
  box(m_shiftCheck, "CheckBoxShift", {16, 50, 78, 17});

  m_okButton = new QPushButton(this);
  m_okButton->setObjectName("ButtonOk");
  m_okButton->setGeometry(111, 59, 70, 25);
  m_cancelButton = new QPushButton(this);
  m_cancelButton->setObjectName("ButtonCancel");
  m_cancelButton->setGeometry(186, 59, 76, 25);
  for (QPushButton *b : {m_okButton, m_cancelButton})
    b->setAutoDefault(false);
  connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  // The captured key's name, large enough to read at a glance.
  m_keyEdit = new QLineEdit(this);
  m_keyEdit->setObjectName("EditKey");
  m_keyEdit->setGeometry(98, 16, 159, 21);
  QFont large = verdana;
  large.setPixelSize(13);
  large.setBold(true);
  m_keyEdit->setFont(large);
  m_keyEdit->setContextMenuPolicy(Qt::NoContextMenu);
  m_keyEdit->setAcceptDrops(false);
  m_keyEdit->installEventFilter(this);
  connect(m_keyEdit, &QLineEdit::textChanged, this,
          &HotKeyEditor::editKeyChange);

  setTabOrder(m_altCheck, m_ctrlCheck);
  setTabOrder(m_ctrlCheck, m_shiftCheck);
  setTabOrder(m_shiftCheck, m_okButton);
  setTabOrder(m_okButton, m_cancelButton);
  setTabOrder(m_cancelButton, m_keyEdit);
  retranslate();
}

void HotKeyEditor::changeEvent(QEvent *event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::LanguageChange)
    retranslate();
}

void HotKeyEditor::retranslate() {
  m_altCheck->setText(uiText("KeyEditAlt"));
  m_ctrlCheck->setText(uiText("KeyEditCtrl"));
  m_shiftCheck->setText(uiText("KeyEditShift"));
  m_okButton->setText(uiText("KeyEditOk"));
  m_cancelButton->setText(uiText("KeyEditCancel"));
}

uint16_t HotKeyEditor::checkedModifiers() const {
  return (m_altCheck->isChecked() ? KeyModAlt : 0) |
         (m_ctrlCheck->isChecked() ? KeyModCtrl : 0) |
         (m_shiftCheck->isChecked() ? KeyModShift : 0);
}

void HotKeyEditor::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (QWidget *owner = parentWidget()) {
    const QRect o = owner->window()->frameGeometry();
    move(o.left() + (o.width() - width()) / 2,
         o.top() + (o.height() - height()) / 2);
  }
  formShow();
}

void HotKeyEditor::accept() {
  if (m_okButton->isEnabled())
    QDialog::accept();
}

void HotKeyEditor::formShow() { m_keyEdit->setFocus(Qt::OtherFocusReason); }

bool HotKeyEditor::editKeyKeyPress() { return true; }

void HotKeyEditor::editKeyKeyDown(uint16_t virtualKey) {
  m_capturedKey = virtualKey;
  editKeyChange();
  setWindowTitle(QString::number(virtualKey));
}

void HotKeyEditor::editKeyChange() {
  const QString name = keyName(m_capturedKey);
  if (m_keyEdit->text() != name)
    m_keyEdit->setText(name);
  m_okButton->setEnabled(
      m_capturedKey != 0 &&
      m_table.findKeyByShortcut(checkedModifiers(), m_capturedKey) < 0);
}

bool HotKeyEditor::eventFilter(QObject *watched, QEvent *event) {
  if (watched != m_keyEdit)
    return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    // Tab and Shift+Tab stay with focus navigation.
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
      return false;
    editKeyKeyDown(platform::virtualKeyFromEvent(*key));
    return editKeyKeyPress();
  }
  // Typed text from an input method is dropped like any character.
  if (event->type() == QEvent::InputMethod)
    return editKeyKeyPress();
  return false;
}

bool editKeyShortcut(KeyTableModel &model, int row, HotKeyEditor &editor) {
  if (row < 0 || row >= model.rowCount())
    return false;
  Key key = model.keyAt(row);

  editor.setWindowTitle(
      uiText("FCaptEditKey") + QStringLiteral(": ") +
      model.data(model.index(row, KeyTableModel::NameColumn)).toString());
  editor.m_capturedKey = key.virtualKey;
  {
    const QSignalBlocker block(editor.m_keyEdit);
    editor.m_keyEdit->setText(keyName(key.virtualKey));
  }
  editor.m_altCheck->setChecked(key.modifiers & KeyModAlt);
  editor.m_ctrlCheck->setChecked(key.modifiers & KeyModCtrl);
  editor.m_shiftCheck->setChecked(key.modifiers & KeyModShift);
  // OK opens as the rule would set it for the key's present shortcut: an
  // unchanged shortcut is already in the table and cannot be accepted.
  editor.editKeyChange();

  if (editor.exec() != QDialog::Accepted)
    return false;

  key.modifiers = editor.checkedModifiers();
  key.virtualKey = editor.m_capturedKey;
  // The row's own line is replaced. Looking it up by its code would miss a
  // line whose code is not written canonically, and would hit the first of
  // two lines that share a code.
  model.setKey(row, key);
  return true;
}
