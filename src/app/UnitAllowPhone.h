#pragma once
// The question asked when a phone that is not on the list of known phones
// identifies itself: "Allow this phone?", with where it is, its model and
// its identification block. It does not block the window; the link keeps
// the phone waiting meanwhile.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

class TFormAllowPhone : public QDialog {
  Q_OBJECT
public:
  enum TAnswer { AllowOnce, AlwaysAllow, Refuse };

  TFormAllowPhone(quint64 connection, const QString &where,
                  const QByteArray &modelCode, const QString &modelName,
                  const QByteArray &block, QWidget *parent = nullptr);

  quint64 Connection() const { return m_connection; }
  QByteArray Block() const { return m_block; }
  QString ModelName() const { return m_modelName; }

  QLabel *LabDetails = nullptr;
  QPushButton *BtnAllowOnce = nullptr, *BtnAlwaysAllow = nullptr,
              *BtnRefuse = nullptr;

signals:
  void Answered(TFormAllowPhone::TAnswer answer);

private:
  quint64 m_connection;
  QByteArray m_block;
  QString m_modelName;
};
