#pragma once

#include <QStringView>
#include <cstddef>

namespace custodex {

// Key material in memory that libsodium guards (no swap where the system allows it, guard pages
// around it) and wipes when it goes.
class Segreto {
 public:
  // Throws std::bad_alloc when the memory cannot be had.
  explicit Segreto(std::size_t dimensione);
  ~Segreto();
  Segreto(Segreto&& altro) noexcept;
  Segreto& operator=(Segreto&& altro) noexcept;
  Segreto(const Segreto&) = delete;
  Segreto& operator=(const Segreto&) = delete;

  unsigned char* dati() { return dati_; }
  const unsigned char* dati() const { return dati_; }
  std::size_t dimensione() const { return dimensione_; }

  // A key kept for long is out of reach between its uses: a stray read faults instead of
  // leaking it.
  void chiudi() const;
  void leggi() const;

  // The key's exact 16-bit code units, little-endian. Not UTF-8: a conversion would merge
  // distinct keys that hold lone surrogates.
  static Segreto daChiave(QStringView chiave);

 private:
  unsigned char* dati_ = nullptr;
  std::size_t dimensione_ = 0;
};

}  // namespace custodex
