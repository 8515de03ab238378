#include <vector>

#include "comune/azzera.h"
#include "comune/piattaforma.h"

#include <sodium.h>

namespace custodex {

namespace {

// The compact form gathered whole, wiped as it grows and when it goes.
class Raccolta : public compatto::Pozzo {
 public:
  ~Raccolta() override { sodium_memzero(byte_.data(), byte_.capacity()); }
  void scrivi(const unsigned char* byte, std::size_t n) override {
    if (byte_.size() + n > byte_.capacity()) {
      std::vector<unsigned char> piu;
      piu.reserve(std::max(2 * byte_.capacity(), byte_.size() + n));
      piu.assign(byte_.begin(), byte_.end());
      sodium_memzero(byte_.data(), byte_.capacity());
      byte_.swap(piu);
    }
    byte_.insert(byte_.end(), byte, byte + n);
  }
  const std::vector<unsigned char>& byte() const { return byte_; }

 private:
  std::vector<unsigned char> byte_;
};

class TestoCifratoIntero : public TestoCifrato {
 public:
  explicit TestoCifratoIntero(QString testo) : testo_(std::move(testo)) {}
  qint64 lunghezza() const override { return testo_.size(); }
  void scrivi(const std::function<void(const char*, qsizetype)>& uscita) const override {
    const QByteArray byte = testo_.toLatin1();
    uscita(byte.constData(), byte.size());
  }

 private:
  QString testo_;
};

class FonteIntera : public compatto::Fonte {
 public:
  explicit FonteIntera(QString testo) : testo_(std::move(testo)), fonte_(testo_.vista()) {}
  std::size_t leggi(unsigned char* blocco, std::size_t n) override {
    return fonte_.leggi(blocco, n);
  }

 private:
  TestoSegreto testo_;
  compatto::FonteStringa fonte_;
};

}  // namespace

std::unique_ptr<TestoCifrato> Cifrario::criptaTesto(
    const std::function<void(compatto::Pozzo&)>& testo, const QString& chiave) {
  Raccolta raccolta;
  testo(raccolta);
  const TestoSegreto chiaro(compatto::inStringa(raccolta.byte().data(), raccolta.byte().size()));
  return std::make_unique<TestoCifratoIntero>(cripta(chiaro.testo(), chiave));
}

std::unique_ptr<compatto::Fonte> Cifrario::decriptaVoce(const VoceCifrata& voce,
                                                        const QString& chiave) {
  QByteArray byte(voce.lunghezza(), Qt::Uninitialized);
  voce.leggi(0, byte.data(), byte.size());
  return std::make_unique<FonteIntera>(decripta(QString::fromLatin1(byte), chiave));
}

}  // namespace custodex
