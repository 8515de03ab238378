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
#include <QPushButton>
#include <QScopedValueRollback>
#include <memory>

#ifdef Q_OS_LINUX
#include <time.h>
#endif

#include "comune/azzera.h"
#include "comune/testi.h"

namespace custodex {

void QtMessaggi::avviso(const QString& testo, Icona icona) {
  QMessageBox box(icona == Icona::Critica ? QMessageBox::Critical : QMessageBox::NoIcon,
                  testi::titolo, testo, QMessageBox::Ok, padre_);
  if (!promptChiusi()) box.exec();
}

bool QtMessaggi::conferma(const QString& testo) {
  QMessageBox box(QMessageBox::NoIcon, testi::titolo, testo, QMessageBox::Yes | QMessageBox::No,
                  padre_);
  box.setDefaultButton(QMessageBox::Yes);
  return !promptChiusi() && box.exec() == QMessageBox::Yes && !promptChiusi();
}

bool QtMessaggi::confermaCauta(const QString& testo) {
  QMessageBox box(QMessageBox::Warning, testi::titolo, testo, QMessageBox::Yes | QMessageBox::No,
                  padre_);
  box.setDefaultButton(QMessageBox::No);
  return !promptChiusi() && box.exec() == QMessageBox::Yes && !promptChiusi();
}

int QtMessaggi::scegli(const QString& testo, const QStringList& pulsanti) {
  QMessageBox box(QMessageBox::Warning, testi::titolo, testo, QMessageBox::NoButton, padre_);
  QList<QPushButton*> bottoni;
  for (const QString& p : pulsanti) bottoni.push_back(box.addButton(p, QMessageBox::AcceptRole));
  if (!bottoni.isEmpty()) {
    box.setDefaultButton(bottoni.back());
    box.setEscapeButton(bottoni.back());
  }
  if (promptChiusi()) return static_cast<int>(pulsanti.size()) - 1;
  box.exec();
  if (promptChiusi()) return static_cast<int>(pulsanti.size()) - 1;
  const auto scelto = bottoni.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
  return scelto < 0 ? static_cast<int>(pulsanti.size()) - 1 : static_cast<int>(scelto);
}

std::optional<QString> QtRichiesta::chiedi(const QString& domanda, Eco eco) {
  QInputDialog box(padre_);
  box.setTextEchoMode(eco == Eco::Nascosta ? QLineEdit::Password : QLineEdit::Normal);
  box.setWindowTitle(testi::titolo);
  box.setLabelText(domanda);
  box.setTextValue(QString());
  if (promptChiusi() || box.exec() != QDialog::Accepted || promptChiusi()) return std::nullopt;
  return box.textValue();
}

bool QtDialogoFile::mostraSalva(const QString& filtro) {
  if (promptChiusi()) return false;
  // Qt's own dialog asks before overwriting and wants the folder to exist.
  return conferma(QFileDialog::getSaveFileName(padre_, QString(), fileName_, filtro));
}

bool QtDialogoFile::mostraApri(const QString& filtro) {
  if (promptChiusi()) return false;
  return conferma(QFileDialog::getOpenFileName(padre_, QString(), fileName_, filtro));
}

bool QtDialogoFile::conferma(const QString& scelto) {
  if (scelto.isEmpty() || promptChiusi()) return false;
  fileName_ = QFileInfo(scelto).absoluteFilePath();
  return true;
}

namespace {

// Clipboard managers and history tools leave out what bears this mark.
const QString formatoSegreto = QStringLiteral("x-kde-passwordManagerHint");
const QString formatoTesto = QStringLiteral("text/plain");
const QString formatoUtf8 = QStringLiteral("text/plain;charset=utf-8");

// A secret copy as the clipboard hands it out. The value lives here alone, as a string and as
// UTF-8, and is wiped when the clipboard lets the copy go; a plain QMimeData would leave it in
// freed memory, with a new UTF-8 conversion for every program that pastes it.
class CopiaSegreta : public QMimeData {
 public:
  explicit CopiaSegreta(const QString& valore) : testo_(valore), utf8_(valore.toUtf8()) {}
  ~CopiaSegreta() override {
    azzera(testo_);
    azzera(utf8_);
  }

  QStringList formats() const override { return {formatoTesto, formatoUtf8, formatoSegreto}; }
  bool hasFormat(const QString& formato) const override { return formats().contains(formato); }

 protected:
  QVariant retrieveData(const QString& formato, QMetaType tipo) const override {
    if (formato == formatoSegreto) return QByteArrayLiteral("secret");
    if (formato != formatoTesto && formato != formatoUtf8) return {};
    // Handed out shared: what the platform sends on is then our wiped buffer, not a copy.
    if (tipo.id() == QMetaType::QByteArray) return utf8_;
    return testo_;
  }

 private:
  QString testo_;
  QByteArray utf8_;
};

}  // namespace

QtAppunti::QtAppunti() {
  scadenza_.setSingleShot(true);
  scadenza_.setInterval(durata);
  QObject::connect(&scadenza_, &QTimer::timeout, &scadenza_, [this] { ritiraSegreto(); });
  // At the program's end the copy goes too, before the platform may hand the clipboard over to a
  // clipboard manager that would keep it.
  if (QCoreApplication* app = QCoreApplication::instance())
    QObject::connect(app, &QCoreApplication::aboutToQuit, &scadenza_, [this] { ritiraSegreto(); });
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &scadenza_,
                     [this] { cambiati(); });
}

QtAppunti::~QtAppunti() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) ritiraSegreto();
}

QString QtAppunti::testo() {
  return QGuiApplication::clipboard()->text();
}

void QtAppunti::scriviSegreto(const QString& testo) {
  auto dati = std::make_unique<CopiaSegreta>(testo);
  copia_ = dati.get();
  {
    const QScopedValueRollback ora(scrivendo_, true);
    QGuiApplication::clipboard()->setMimeData(dati.release());
  }
  scadenza_.start();
}

bool QtAppunti::tieneSegreto() {
  return copia_ && !scrivendo_;
}

void QtAppunti::cambiati() {
  // Some platforms tell of our own copy only later: it still counts as ours while the clipboard
  // hands out our object, which the platform answers without asking anyone.
  if (!scrivendo_ && copia_ && QGuiApplication::clipboard()->mimeData() != copia_.data())
    copia_ = nullptr;
}

void QtAppunti::svuota() {
  scadenza_.stop();
  copia_ = nullptr;
  QGuiApplication::clipboard()->clear();
}

qint64 QtOrologio::millisecondi() {
#ifdef Q_OS_LINUX
  // The monotonic clock stops while the machine sleeps; this one does not, and time asleep is
  // time unattended.
  timespec t{};
  if (clock_gettime(CLOCK_BOOTTIME, &t) == 0) return qint64{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
#endif
  return avvio_.elapsed();
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
