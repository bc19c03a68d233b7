#include "app/UnitAllowPhone.h"

#include "settings/Language.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TFormAllowPhone::TFormAllowPhone(quint64 connection, const QString &where,
                                 const QByteArray &modelCode,
                                 const QString &modelName,
                                 const QByteArray &block, QWidget *parent)
    : QDialog(parent), m_connection(connection), m_block(block),
      m_modelName(modelName) {
  setObjectName("FormAllowPhone");
  setWindowTitle(UiText("UiAllowPhoneTitle"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  auto *question = new QLabel(UiText("UiAllowPhoneTitle"), this);
  QFont bold = question->font();
  bold.setBold(true);
  question->setFont(bold);
  const QString model = modelName.isEmpty()
                            ? QString::fromLatin1(modelCode)
                            : QStringLiteral("%1 (%2)").arg(
                                  modelName, QString::fromLatin1(modelCode));
  LabDetails = new QLabel(
      UiText("UiAllowPhoneIntro") + QStringLiteral("\n\n") +
          UiText("UiAllowPhoneWhere")
              .arg(where.isEmpty() ? UiText("UiAllowPhoneUnknown") : where) +
          QLatin1Char('\n') + UiText("UiAllowPhoneModel").arg(model) +
          QLatin1Char('\n') +
          UiText("UiAllowPhoneBlock").arg(QString::fromLatin1(block)),
      this);
  LabDetails->setWordWrap(true);
  LabDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);

  BtnAllowOnce = new QPushButton(UiText("UiAllowOnce"), this);
  BtnAlwaysAllow = new QPushButton(UiText("UiAlwaysAllow"), this);
  BtnRefuse = new QPushButton(UiText("UiRefusePhone"), this);
  BtnRefuse->setDefault(true);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton *b : {BtnAllowOnce, BtnAlwaysAllow, BtnRefuse})
    buttons->addWidget(b);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(question);
  layout->addWidget(LabDetails);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  auto answer = [this](TAnswer a) {
    emit Answered(a);
    close();
  };
  connect(BtnAllowOnce, &QPushButton::clicked, this,
          [answer] { answer(AllowOnce); });
  connect(BtnAlwaysAllow, &QPushButton::clicked, this,
          [answer] { answer(AlwaysAllow); });
  connect(BtnRefuse, &QPushButton::clicked, this, [answer] { answer(Refuse); });
}
