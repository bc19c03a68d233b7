#include "app/AllowPhoneDialog.h"

#include "settings/Language.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

AllowPhoneDialog::AllowPhoneDialog(quint64 connection, const QString &where,
                                 const QByteArray &modelCode,
                                 const QString &modelName,
                                 const QByteArray &block, QWidget *parent)
    : QDialog(parent), m_connection(connection), m_block(block),
      m_modelName(modelName) {
  setObjectName("FormAllowPhone");
  setWindowTitle(uiText("UiAllowPhoneTitle"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  auto *question = new QLabel(uiText("UiAllowPhoneTitle"), this);
  QFont bold = question->font();
  bold.setBold(true);
  question->setFont(bold);
  const QString model = modelName.isEmpty()
                            ? QString::fromLatin1(modelCode)
                            : QStringLiteral("%1 (%2)").arg(
                                  modelName, QString::fromLatin1(modelCode));
  m_detailsLabel = new QLabel(
      uiText("UiAllowPhoneIntro") + QStringLiteral("\n\n") +
          uiText("UiAllowPhoneWhere")
              .arg(where.isEmpty() ? uiText("UiAllowPhoneUnknown") : where) +
          QLatin1Char('\n') + uiText("UiAllowPhoneModel").arg(model) +
          QLatin1Char('\n') +
          uiText("UiAllowPhoneBlock").arg(QString::fromLatin1(block)),
      this);
  m_detailsLabel->setWordWrap(true);
  m_detailsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  m_allowOnceButton = new QPushButton(uiText("UiAllowOnce"), this);
  m_alwaysAllowButton = new QPushButton(uiText("UiAlwaysAllow"), this);
  m_refuseButton = new QPushButton(uiText("UiRefusePhone"), this);
  m_refuseButton->setDefault(true);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton *b : {m_allowOnceButton, m_alwaysAllowButton, m_refuseButton})
    buttons->addWidget(b);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(question);
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
  connect(m_refuseButton, &QPushButton::clicked, this, [answer] { answer(Refuse); });
}
