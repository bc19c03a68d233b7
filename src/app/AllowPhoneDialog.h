#pragma once
// The question asked when a phone that is not on the list of known phones
// identifies itself: "Allow this phone?", with where it is, its model and
// its identification block. It does not block the window; the link keeps
// the phone waiting meanwhile.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

class AllowPhoneDialog : public QDialog {
  Q_OBJECT
public:
  enum Answer { AllowOnce, AlwaysAllow, Refuse };

  AllowPhoneDialog(quint64 connection, const QString &where,
                   const QByteArray &modelCode, const QString &modelName,
                   const QByteArray &block, QWidget *parent = nullptr);

  quint64 connection() const { return m_connection; }
  QByteArray block() const { return m_block; }
  QString modelName() const { return m_modelName; }

signals:
  void answered(AllowPhoneDialog::Answer answer);

protected:
  void changeEvent(QEvent *event) override;

private:
  // Sets every text in the language in use; changeEvent calls it on
  // QEvent::LanguageChange.
  void retranslate();

  QLabel *m_questionLabel = nullptr;
  QLabel *m_detailsLabel = nullptr;
  QPushButton *m_allowOnceButton = nullptr, *m_alwaysAllowButton = nullptr,
              *m_refuseButton = nullptr;
  QString m_where;
  QString m_model;
  quint64 m_connection;
  QByteArray m_block;
  QString m_modelName;
};
