#pragma once

#include <QPointer>
#include <QWidget>

#include "comune/piattaforma.h"

// The platform pieces as the program uses them: Qt's own dialogs, clipboard and event loop.

namespace custodex {

class QtMessaggi : public Messaggi {
 public:
  explicit QtMessaggi(QWidget* padre) : padre_(padre) {}
  void avviso(const QString& testo, Icona icona) override;
  bool conferma(const QString& testo) override;

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

 private:
  bool conferma(const QString& scelto);

  QPointer<QWidget> padre_;
  QString fileName_;
};

class QtAppunti : public Appunti {
 public:
  QString testo() override;
};

class QtEventi : public Eventi {
 public:
  void lasciaScorrere() override;
};

}  // namespace custodex
