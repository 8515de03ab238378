#pragma once

#include <QByteArray>
#include <QString>

namespace custodex {

// Wipes the characters of a string before its memory goes back, when no other string shares
// them (a shared one is left to its last holder). A freed list text or password would otherwise
// stay readable in the process's memory, and in a crash dump.
void azzera(QString& testo) noexcept;
void azzera(QByteArray& byte) noexcept;

// A text that is wiped when it goes out of scope: the list text of a save or a load.
class TestoAzzerato {
 public:
  explicit TestoAzzerato(QString testo) : testo_(std::move(testo)) {}
  ~TestoAzzerato() { azzera(testo_); }
  TestoAzzerato(const TestoAzzerato&) = delete;
  TestoAzzerato& operator=(const TestoAzzerato&) = delete;

  const QString& testo() const { return testo_; }

 private:
  QString testo_;
};

}  // namespace custodex
