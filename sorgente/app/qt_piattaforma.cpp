#include "app/qt_piattaforma.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QRandomGenerator>
#include <memory>

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

bool QtMessaggi::confermaCauta(const QString& testo) {
  QMessageBox box(QMessageBox::Warning, testi::titolo, testo, QMessageBox::Yes | QMessageBox::No,
                  padre_);
  box.setDefaultButton(QMessageBox::No);
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

namespace {

// Clipboard managers and history tools leave out what bears this mark.
const QString formatoSegreto = QStringLiteral("x-kde-passwordManagerHint");
const QString formatoCopia = QStringLiteral("application/x-custodex-copia");

}  // namespace

QtAppunti::QtAppunti() {
  scadenza_.setSingleShot(true);
  scadenza_.setInterval(durata);
  QObject::connect(&scadenza_, &QTimer::timeout, &scadenza_, [this] { ritiraSegreto(); });
  // At the program's end the copy goes too, before the platform may hand the clipboard over to a
  // clipboard manager that would keep it.
  if (QCoreApplication* app = QCoreApplication::instance())
    QObject::connect(app, &QCoreApplication::aboutToQuit, &scadenza_, [this] { ritiraSegreto(); });
}

QtAppunti::~QtAppunti() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) ritiraSegreto();
}

QString QtAppunti::testo() {
  return QGuiApplication::clipboard()->text();
}

void QtAppunti::scriviSegreto(const QString& testo) {
  auto dati = std::make_unique<QMimeData>();
  dati->setText(testo);
  dati->setData(formatoSegreto, QByteArrayLiteral("secret"));
  contrassegno_ = QByteArray::number(QRandomGenerator::system()->generate64(), 16);
  dati->setData(formatoCopia, contrassegno_);
  QGuiApplication::clipboard()->setMimeData(dati.release());
  scadenza_.start();
}

bool QtAppunti::tieneSegreto() {
  if (contrassegno_.isEmpty()) return false;
  const QMimeData* dati = QGuiApplication::clipboard()->mimeData();
  return dati && dati->data(formatoCopia) == contrassegno_;
}

void QtAppunti::svuota() {
  scadenza_.stop();
  contrassegno_.clear();
  QGuiApplication::clipboard()->clear();
}

void QtEventi::lasciaScorrere() {
  // The status is painted and timers tick, but a click or a key held back until the command ends:
  // run now, it would start another command in the middle of this one.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // The input held back waits for the next turn of the event loop, which must know of it: the
  // loop would otherwise sleep on it until some other event came.
  if (auto* ciclo = QAbstractEventDispatcher::instance()) ciclo->wakeUp();
}

}  // namespace custodex
