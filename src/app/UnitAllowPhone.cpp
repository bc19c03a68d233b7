#include "app/UnitAllowPhone.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TFormAllowPhone::TFormAllowPhone(quint64 connection, const QString &where,
                                 const QByteArray &modelCode,
                                 const QString &modelName,
                                 const QByteArray &block, QWidget *parent)
    : QDialog(parent), m_connection(connection), m_block(block),
      m_modelName(modelName) {
  setObjectName("FormAllowPhone");
  setWindowTitle(tr("Allow this phone?"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  auto *question = new QLabel(tr("Allow this phone?"), this);
  QFont bold = question->font();
  bold.setBold(true);
  question->setFont(bold);
  const QString model = modelName.isEmpty()
                            ? QString::fromLatin1(modelCode)
                            : QStringLiteral("%1 (%2)").arg(
                                  modelName, QString::fromLatin1(modelCode));
  LabDetails = new QLabel(
      tr("A phone that is not on the list of known phones has connected. "
         "Until you allow it, it receives no keys and shows nothing.\n\n"
         "Where: %1\nModel: %2\nIdentification: %3")
          .arg(where.isEmpty() ? tr("unknown") : where, model,
               QString::fromLatin1(block)),
      this);
  LabDetails->setWordWrap(true);
  LabDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);

  BtnAllowOnce = new QPushButton(tr("Allow once"), this);
  BtnAlwaysAllow = new QPushButton(tr("Always allow"), this);
  BtnRefuse = new QPushButton(tr("Refuse"), this);
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
