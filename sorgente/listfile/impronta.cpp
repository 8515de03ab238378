#include "listfile/impronta.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>
#include <QFile>
#include <cerrno>

namespace custodex {

namespace {

// An open file, closed however the reading ends.
class Descrittore {
 public:
  explicit Descrittore(const QString& percorso)
      : fd_(::open(QFile::encodeName(percorso).constData(),
                   O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
  ~Descrittore() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descrittore(const Descrittore&) = delete;
  Descrittore& operator=(const Descrittore&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

Impronta dallo_stat(const struct stat& s) {
  Impronta i;
  i.dimensione = s.st_size;
  i.modificato_ns = qint64{s.st_mtim.tv_sec} * 1000000000 + s.st_mtim.tv_nsec;
  i.dispositivo = s.st_dev;
  i.inode = s.st_ino;
  return i;
}

}  // namespace

std::optional<Impronta> impronta_file(const QString& percorso) {
  const Descrittore file(percorso);
  struct stat s {};
  if (file.fd() < 0 || ::fstat(file.fd(), &s) != 0 || !S_ISREG(s.st_mode)) return std::nullopt;
  Impronta impronta = dallo_stat(s);
  crypto_generichash_state stato;
  crypto_generichash_init(&stato, nullptr, 0, impronta.hash.size());
  unsigned char blocco[1 << 16];
  for (;;) {
    const ssize_t letti = ::read(file.fd(), blocco, sizeof blocco);
    if (letti < 0 && errno == EINTR) continue;
    if (letti < 0) return std::nullopt;
    if (letti == 0) break;
    crypto_generichash_update(&stato, blocco, static_cast<unsigned long long>(letti));
  }
  crypto_generichash_final(&stato, impronta.hash.data(), impronta.hash.size());
  return impronta;
}

std::optional<Impronta> identita_file(const QString& percorso) {
  struct stat s {};
  if (::stat(QFile::encodeName(percorso).constData(), &s) != 0 || !S_ISREG(s.st_mode))
    return std::nullopt;
  return dallo_stat(s);
}

std::optional<Impronta> identita_aperto(int fd) {
  struct stat s {};
  if (::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) return std::nullopt;
  return dallo_stat(s);
}

bool stessa_identita(const Impronta& a, const Impronta& b) {
  return a.dimensione == b.dimensione && a.modificato_ns == b.modificato_ns &&
         a.dispositivo == b.dispositivo && a.inode == b.inode;
}

StatoSuDisco confronta_file(const QString& percorso, const Impronta& nota) {
  const std::optional<Impronta> ora = identita_file(percorso);
  if (!ora) return StatoSuDisco::Mancante;
  if (stessa_identita(*ora, nota)) return StatoSuDisco::Uguale;
  const std::optional<Impronta> intera = impronta_file(percorso);
  if (!intera) return StatoSuDisco::Mancante;
  return intera->hash == nota.hash ? StatoSuDisco::Uguale : StatoSuDisco::Cambiato;
}

}  // namespace custodex
