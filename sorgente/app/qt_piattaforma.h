#pragma once

#include <QElapsedTimer>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "comune/piattaforma.h"

// The platform pieces as the program uses them: Qt's own dialogs, clipboard and event loop.

namespace custodex {

class QtMessaggi : public Messaggi {
 public:
  explicit QtMessaggi(QWidget* padre) : padre_(padre) {}
  void avviso(const QString& testo, Icona icona) override;
  bool conferma(const QString& testo) override;
  bool confermaCauta(const QString& testo) override;
  int scegli(const QString& testo, const QStringList& pulsanti) override;

 private:
  QPointer<QWidget> padre_;
};

class QtRichiesta : public Richiesta {
 public:
  explicit QtRichiesta(QWidget* padre) : padre_(padre) {}
  std::optional<QString> chiedi(const QString& domanda, Eco eco = Eco::Visibile) override;

 private:
  QPointer<QWidget> padre_;
};

class QtDialogoFile : public DialogoFile {
 public:
  explicit QtDialogoFile(QWidget* padre) : padre_(padre) {}
  bool mostraSalva(const QString& filtro) override;
  bool mostraApri(const QString& filtro) override;
  QString FileName() const override { return fileName_; }
  void impostaFileName(const QString& file) override { conferma(file); }

 private:
  bool conferma(const QString& scelto);

  QPointer<QWidget> padre_;
  QString fileName_;
};

class QtAppunti : public Appunti {
 public:
  // How long a secret copy stays on the clipboard.
  static constexpr std::chrono::seconds durata{30};

  QtAppunti();
  ~QtAppunti() override;
  QString testo() override;
  void scriviSegreto(const QString& testo) override;
  bool tieneSegreto() override;
  void svuota() override;

  // Counts down from each secret copy to ritiraSegreto.
  QTimer& scadenza() { return scadenza_; }

 private:
  void cambiati();

  QTimer scadenza_;
  // Our copy while the clipboard still holds it and nothing has been put there since. Known here
  // alone: asking the clipboard's owner, another program, may hang as long as that one pleases.
  QPointer<QMimeData> copia_;
  bool scrivendo_ = false;
};

class QtEventi : public Eventi {
 public:
  void lasciaScorrere() override;
};

class QtOrologio : public Orologio {
 public:
  QtOrologio() { avvio_.start(); }
  qint64 millisecondi() override;

 private:
  QElapsedTimer avvio_;
};

}  // namespace custodex
