#include "app/AllowPhoneDialog.h"

#include "settings/Language.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

AllowPhoneDialog::AllowPhoneDialog(quint64 connection, const QString &where,
                                   const QByteArray &modelCode,
                                   const QString &modelName,
                                   const QByteArray &block, QWidget *parent)
    : QDialog(parent), m_connection(connection), m_block(block),
      m_modelName(modelName) {
  setObjectName("allowPhoneDialog");
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  m_questionLabel = new QLabel(this);
  QFont bold = m_questionLabel->font();
  bold.setBold(true);
  m_questionLabel->setFont(bold);
  m_model = modelName.isEmpty()
                ? QString::fromLatin1(modelCode)
                : QStringLiteral("%1 (%2)").arg(modelName,
                                                QString::fromLatin1(modelCode));
  m_where = where;
  m_detailsLabel = new QLabel(this);
  m_detailsLabel->setObjectName("detailsLabel");
  m_detailsLabel->setWordWrap(true);
  m_detailsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  m_allowOnceButton = new QPushButton(this);
  m_alwaysAllowButton = new QPushButton(this);
  m_refuseButton = new QPushButton(this);
  m_allowOnceButton->setObjectName("allowOnceButton");
  m_alwaysAllowButton->setObjectName("alwaysAllowButton");
  m_refuseButton->setObjectName("refuseButton");
  m_refuseButton->setDefault(true);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton *b :
       {m_allowOnceButton, m_alwaysAllowButton, m_refuseButton})
    buttons->addWidget(b);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_questionLabel);
  layout->addWidget(m_detailsLabel);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  auto answer = [this](Answer a) {
    emit answered(a);
    close();
  };
  connect(m_allowOnceButton, &QPushButton::clicked, this,
          [answer] { answer(AllowOnce); });
  connect(m_alwaysAllowButton, &QPushButton::clicked, this,
          [answer] { answer(AlwaysAllow); });
  connect(m_refuseButton, &QPushButton::clicked, this,
          [answer] { answer(Refuse); });
  retranslate();
}

void AllowPhoneDialog::changeEvent(QEvent *event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::LanguageChange)
    retranslate();
}

void AllowPhoneDialog::retranslate() {
  setWindowTitle(uiText("UiAllowPhoneTitle"));
  m_questionLabel->setText(uiText("UiAllowPhoneTitle"));
  m_detailsLabel->setText(
      uiText("UiAllowPhoneIntro") + QStringLiteral("\n\n") +
      uiText("UiAllowPhoneWhere")
          .arg(m_where.isEmpty() ? uiText("UiAllowPhoneUnknown") : m_where) +
      QLatin1Char('\n') + uiText("UiAllowPhoneModel").arg(m_model) +
      QLatin1Char('\n') +
      uiText("UiAllowPhoneBlock").arg(QString::fromLatin1(m_block)));
  m_allowOnceButton->setText(uiText("UiAllowOnce"));
  m_alwaysAllowButton->setText(uiText("UiAlwaysAllow"));
  m_refuseButton->setText(uiText("UiRefusePhone"));
}
