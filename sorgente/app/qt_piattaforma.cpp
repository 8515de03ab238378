#include "app/qt_piattaforma.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "comune/testi.h"

namespace custodex {

void QtMessaggi::avviso(const QString& testo, Icona icona) {
  QMessageBox box(icona == Icona::Critica ? QMessageBox::Critical : QMessageBox::NoIcon,
                  testi::titolo, testo, QMessageBox::Ok, padre_);
  box.exec();
}

bool QtMessaggi::conferma(const QString& testo) {
  QMessageBox box(QMessageBox::NoIcon, testi::titolo, testo, QMessageBox::Yes | QMessageBox::No,
                  padre_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtRichiesta::chiedi(const QString& domanda, Eco eco) {
  QInputDialog box(padre_);
  box.setTextEchoMode(eco == Eco::Nascosta ? QLineEdit::Password : QLineEdit::Normal);
  box.setWindowTitle(testi::titolo);
  box.setLabelText(domanda);
  box.setTextValue(QString());
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return box.textValue();
}

bool QtDialogoFile::mostraSalva(const QString& filtro) {
  // Qt's own dialog asks before overwriting and wants the folder to exist.
  return conferma(QFileDialog::getSaveFileName(padre_, QString(), fileName_, filtro));
}

bool QtDialogoFile::mostraApri(const QString& filtro) {
  return conferma(QFileDialog::getOpenFileName(padre_, QString(), fileName_, filtro));
}

bool QtDialogoFile::conferma(const QString& scelto) {
  if (scelto.isEmpty()) return false;
  fileName_ = QFileInfo(scelto).absoluteFilePath();
  return true;
}

QString QtAppunti::testo() {
  return QGuiApplication::clipboard()->text();
}

void QtEventi::lasciaScorrere() {
  QCoreApplication::processEvents();
}

}  // namespace custodex
