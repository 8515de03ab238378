#include "listfile/segreto.h"

#include <sodium.h>

#include <new>
#include <utility>

namespace custodex {

Segreto::Segreto(std::size_t dimensione) : dimensione_(dimensione) {
  // An empty key still needs a valid address to hand to the key derivation.
  dati_ = static_cast<unsigned char*>(sodium_malloc(dimensione ? dimensione : 1));
  if (!dati_) throw std::bad_alloc();
}

Segreto::~Segreto() {
  if (dati_) sodium_free(dati_);  // wipes before it frees
}

Segreto::Segreto(Segreto&& altro) noexcept
    : dati_(std::exchange(altro.dati_, nullptr)),
      dimensione_(std::exchange(altro.dimensione_, 0)) {}

Segreto& Segreto::operator=(Segreto&& altro) noexcept {
  if (this != &altro) {
    if (dati_) sodium_free(dati_);
    dati_ = std::exchange(altro.dati_, nullptr);
    dimensione_ = std::exchange(altro.dimensione_, 0);
  }
  return *this;
}

void Segreto::chiudi() const {
  if (dati_) sodium_mprotect_noaccess(dati_);
}

void Segreto::leggi() const {
  if (dati_) sodium_mprotect_readonly(dati_);
}

Segreto Segreto::daChiave(QStringView chiave) {
  Segreto s(static_cast<std::size_t>(chiave.size()) * 2);
  const char16_t* unita = chiave.utf16();
  for (qsizetype i = 0; i < chiave.size(); ++i) {
    s.dati_[2 * i] = static_cast<unsigned char>(unita[i] & 0xFF);
    s.dati_[2 * i + 1] = static_cast<unsigned char>(unita[i] >> 8);
  }
  return s;
}

}  // namespace custodex
