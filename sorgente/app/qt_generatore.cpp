#include "app/qt_generatore.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "app/campi.h"
#include "comune/testi.h"

namespace custodex {

std::optional<TestoSegreto> QtGeneratore::genera() {
  if (!parole_) parole_ = leggiParole(percorso_);
  if (!caso_) caso_ = casoSodium();
  const bool conParole = !parole_->isEmpty();
  if (!conParole) opzioni_.tipo = OpzioniGeneratore::Tipo::Caratteri;

  // Over the edit dialog when it is opened from there.
  QWidget* sopra = QApplication::activeModalWidget();
  QDialog dialogo(sopra ? sopra : padre_.data());
  dialogo.setWindowTitle(testi::titolo);
  dialogo.setObjectName(QStringLiteral("generatore"));
  auto* colonna = new QVBoxLayout(&dialogo);

  auto* caratteri = new QRadioButton(QStringLiteral("Caratteri"), &dialogo);
  caratteri->setObjectName(QStringLiteral("caratteri"));
  auto* lunghezza = new QSpinBox(&dialogo);
  lunghezza->setObjectName(QStringLiteral("lunghezza"));
  lunghezza->setRange(OpzioniGeneratore::lunghezzaMinima, OpzioniGeneratore::lunghezzaMassima);
  auto casella = [&](const char* nome, const QString& testo, bool scelta) {
    auto* c = new QCheckBox(testo, &dialogo);
    c->setObjectName(QString::fromLatin1(nome));
    c->setChecked(scelta);
    return c;
  };
  QCheckBox* classi[] = {
      casella("minuscole", QStringLiteral("Lettere minuscole (a-z)"), opzioni_.minuscole),
      casella("maiuscole", QStringLiteral("Lettere maiuscole (A-Z)"), opzioni_.maiuscole),
      casella("cifre", QStringLiteral("Cifre (0-9)"), opzioni_.cifre),
      casella("simboli", QStringLiteral("Simboli (!#$%&&...)"), opzioni_.simboli)};
  QCheckBox* simili =
      casella("simili", QStringLiteral("Escludi i caratteri simili (l I 1 O 0 | B 8 G 6)"),
              opzioni_.escludiSimili);

  auto* frase = new QRadioButton(QStringLiteral("Frase di parole italiane"), &dialogo);
  frase->setObjectName(QStringLiteral("frase"));
  auto* parole = new QSpinBox(&dialogo);
  parole->setObjectName(QStringLiteral("parole"));
  parole->setRange(OpzioniGeneratore::paroleMinime, OpzioniGeneratore::paroleMassime);
  auto* nota = new QLabel(&dialogo);
  nota->setObjectName(QStringLiteral("nota"));
  nota->setWordWrap(true);
  if (!conParole) {
    frase->setEnabled(false);
    nota->setText(QStringLiteral("L'elenco di parole italiane %1 manca: per usare le frasi "
                                 "installare il pacchetto witalian.")
                      .arg(percorso_));
  } else {
    nota->setText(QStringLiteral("%1 parole diverse, separate da \"%2\".")
                      .arg(QLocale(QLocale::Italian).toString(parole_->size()))
                      .arg(separatoreParole));
  }
  auto* tipo = new QButtonGroup(&dialogo);
  tipo->addButton(caratteri);
  tipo->addButton(frase);

  auto* modulo = new QFormLayout;
  modulo->addRow(caratteri);
  modulo->addRow(QStringLiteral("Lunghezza:"), lunghezza);
  for (QCheckBox* c : classi) modulo->addRow(c);
  modulo->addRow(simili);
  modulo->addRow(frase);
  modulo->addRow(QStringLiteral("Parole:"), parole);
  modulo->addRow(nota);
  colonna->addLayout(modulo);

  auto* risultato = new QLineEdit(&dialogo);
  risultato->setObjectName(QStringLiteral("risultato"));
  risultato->setReadOnly(true);
  risultato->setMaxLength(std::numeric_limits<int>::max());
  risultato->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  risultato->setAccessibleName(QStringLiteral("Password generata"));
  auto* forza = new QLabel(&dialogo);
  forza->setObjectName(QStringLiteral("forza"));
  colonna->addWidget(risultato);
  colonna->addWidget(forza);

  auto* pulsanti = new QDialogButtonBox(&dialogo);
  QPushButton* rigenera =
      pulsanti->addButton(QStringLiteral("Rigenera"), QDialogButtonBox::ActionRole);
  rigenera->setObjectName(QStringLiteral("rigenera"));
  QPushButton* usa = pulsanti->addButton(QStringLiteral("Usa"), QDialogButtonBox::AcceptRole);
  usa->setObjectName(QStringLiteral("usa"));
  pulsanti->addButton(QDialogButtonBox::Cancel);
  usa->setDefault(true);
  colonna->addWidget(pulsanti);
  QObject::connect(pulsanti, &QDialogButtonBox::accepted, &dialogo, &QDialog::accept);
  QObject::connect(pulsanti, &QDialogButtonBox::rejected, &dialogo, &QDialog::reject);

  (opzioni_.tipo == OpzioniGeneratore::Tipo::Parole ? frase : caratteri)->setChecked(true);
  lunghezza->setValue(opzioni_.lunghezza);
  parole->setValue(opzioni_.parole);

  const QLocale italiano(QLocale::Italian);
  auto aggiorna = [&] {
    opzioni_.tipo =
        frase->isChecked() ? OpzioniGeneratore::Tipo::Parole : OpzioniGeneratore::Tipo::Caratteri;
    opzioni_.lunghezza = lunghezza->value();
    opzioni_.minuscole = classi[0]->isChecked();
    opzioni_.maiuscole = classi[1]->isChecked();
    opzioni_.cifre = classi[2]->isChecked();
    opzioni_.simboli = classi[3]->isChecked();
    opzioni_.escludiSimili = simili->isChecked();
    opzioni_.parole = parole->value();
    const bool perParole = opzioni_.tipo == OpzioniGeneratore::Tipo::Parole;
    lunghezza->setEnabled(!perParole);
    for (QCheckBox* c : classi) c->setEnabled(!perParole);
    simili->setEnabled(!perParole);
    parole->setEnabled(perParole);

    const TestoSegreto nuova =
        perParole ? generaFrase(*parole_, opzioni_.parole, caso_) : generaPassword(opzioni_, caso_);
    const double bit =
        perParole ? bitFrase(parole_->size(), opzioni_.parole) : bitPassword(opzioni_);
    svuotaCampo(*risultato);
    risultato->setText(nuova.vista().toString());
    forza->setText(QStringLiteral("Robustezza: %1 bit").arg(italiano.toString(bit, 'f', 1)));
  };
  aggiorna();

  for (QCheckBox* c : classi)
    QObject::connect(c, &QCheckBox::toggled, &dialogo, [&, c](bool scelta) {
      // A password needs some characters to be made of: the last class chosen stays chosen.
      if (!scelta && std::none_of(std::begin(classi), std::end(classi),
                                  [](QCheckBox* x) { return x->isChecked(); })) {
        c->setChecked(true);
        return;
      }
      aggiorna();
    });
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{simili, frase})
    QObject::connect(b, &QAbstractButton::toggled, &dialogo, [&](bool) { aggiorna(); });
  for (QSpinBox* s : {lunghezza, parole})
    QObject::connect(s, &QSpinBox::valueChanged, &dialogo, [&](int) { aggiorna(); });
  QObject::connect(rigenera, &QPushButton::clicked, &dialogo, [&] { aggiorna(); });

  std::optional<TestoSegreto> scelta;
  if (!promptChiusi() && dialogo.exec() == QDialog::Accepted && !promptChiusi())
    scelta.emplace(risultato->text());
  svuotaCampo(*risultato);
  return scelta;
}

}  // namespace custodex
