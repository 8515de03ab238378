#include "app/qt_modifica_voce.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <limits>

#include "app/campi.h"
#include "comune/testi.h"

namespace custodex {

namespace {

QLineEdit* riga(QDialog& dialogo, const char* nome, const TestoSegreto& valore) {
  auto* box = new QLineEdit(&dialogo);
  box->setObjectName(QString::fromLatin1(nome));
  // Values have no length limit anywhere else: a long one must not be cut unseen.
  box->setMaxLength(std::numeric_limits<int>::max());
  // A string of its own, which the box lets go of when it is emptied and wiped.
  box->setText(valore.vista().toString());
  return box;
}

QPlainTextEdit* area(QDialog& dialogo, const char* nome, const TestoSegreto& valore) {
  auto* box = new QPlainTextEdit(&dialogo);
  box->setObjectName(QString::fromLatin1(nome));
  box->setTabChangesFocus(true);
  box->setPlainText(valore.vista().toString());
  return box;
}

void preparaDialogo(QDialog& dialogo, QFormLayout*& modulo) {
  dialogo.setWindowTitle(testi::titolo);
  dialogo.setObjectName(QStringLiteral("modifica"));
  auto* colonna = new QVBoxLayout(&dialogo);
  modulo = new QFormLayout;
  colonna->addLayout(modulo);
  auto* pulsanti = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialogo);
  colonna->addWidget(pulsanti);
  QObject::connect(pulsanti, &QDialogButtonBox::accepted, &dialogo, &QDialog::accept);
  QObject::connect(pulsanti, &QDialogButtonBox::rejected, &dialogo, &QDialog::reject);
}

void aggiungiRiga(QFormLayout& modulo, const QString& etichetta, QWidget* box, QWidget* campo) {
  auto* label = new QLabel(etichetta);
  label->setBuddy(box);
  box->setAccessibleName(etichetta);
  modulo.addRow(label, campo);
}

}  // namespace

bool QtModificaVoce::modificaVoce(Valori& valori) {
  QDialog dialogo(padre_);
  QFormLayout* modulo = nullptr;
  preparaDialogo(dialogo, modulo);
  QLineEdit* nome = riga(dialogo, "nome", valori.nome);
  QLineEdit* username = riga(dialogo, "username", valori.username);
  QLineEdit* password = riga(dialogo, "password", valori.password);
  // Hidden at first, so that nobody reads it over the user's shoulder; nor can it be copied
  // while hidden.
  password->setEchoMode(QLineEdit::Password);
  QPlainTextEdit* descrizione = area(dialogo, "descrizione", valori.descrizione);

  auto* mostra = new QToolButton(&dialogo);
  mostra->setObjectName(QStringLiteral("mostra"));
  mostra->setText(QStringLiteral("Mostra"));
  mostra->setCheckable(true);
  mostra->setFocusPolicy(Qt::StrongFocus);
  QObject::connect(mostra, &QToolButton::toggled, password, [password](bool visibile) {
    password->setEchoMode(visibile ? QLineEdit::Normal : QLineEdit::Password);
  });
  auto* genera = new QPushButton(QStringLiteral("Genera Password"), &dialogo);
  genera->setObjectName(QStringLiteral("genera"));
  genera->setAutoDefault(false);
  QObject::connect(genera, &QPushButton::clicked, password, [this, password] {
    if (const std::optional<TestoSegreto> nuova = generatore_.genera()) {
      svuotaCampo(*password);
      password->setText(nuova->vista().toString());
    }
  });
  auto* rigaPassword = new QHBoxLayout;
  rigaPassword->addWidget(password, 1);
  rigaPassword->addWidget(mostra);
  rigaPassword->addWidget(genera);

  aggiungiRiga(*modulo, QStringLiteral("Nome:"), nome, nome);
  aggiungiRiga(*modulo, QStringLiteral("UserName:"), username, username);
  auto* contenitore = new QWidget(&dialogo);
  contenitore->setLayout(rigaPassword);
  rigaPassword->setContentsMargins(0, 0, 0, 0);
  aggiungiRiga(*modulo, QStringLiteral("Password:"), password, contenitore);
  aggiungiRiga(*modulo, QStringLiteral("Descrizione:"), descrizione, descrizione);
  dialogo.resize(dialogo.sizeHint().expandedTo(QSize(420, 0)));

  const bool confermato = !promptChiusi() && dialogo.exec() == QDialog::Accepted && !promptChiusi();
  if (confermato) {
    valori.nome.imposta(nome->text());
    valori.username.imposta(username->text());
    valori.password.imposta(password->text());
    valori.descrizione = TestoSegreto(testoDi(*descrizione));
  }
  for (QLineEdit* box : {nome, username, password}) svuotaCampo(*box);
  svuotaCampo(*descrizione);
  return confermato;
}

bool QtModificaVoce::modificaTesto(TestoSegreto& testo) {
  QDialog dialogo(padre_);
  QFormLayout* modulo = nullptr;
  preparaDialogo(dialogo, modulo);
  QPlainTextEdit* box = area(dialogo, "testo", testo);
  aggiungiRiga(*modulo, QStringLiteral("Testo:"), box, box);
  dialogo.resize(dialogo.sizeHint().expandedTo(QSize(420, 0)));

  const bool confermato = !promptChiusi() && dialogo.exec() == QDialog::Accepted && !promptChiusi();
  if (confermato) testo = TestoSegreto(testoDi(*box));
  svuotaCampo(*box);
  return confermato;
}

}  // namespace custodex
