#include "listfile/file_lista.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <functional>
#include <new>

#include "comune/errore.h"

#include <sodium.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace custodex {

namespace {

[[noreturn]] void nonScritto(const QString& motivo) {
  throw Errore(Errore::FileNonScritto, motivo);
}

QString motivoDiSistema() {
  return QString::fromLocal8Bit(std::strerror(errno));
}

// The rename is durable only once the folder's entry is on disk as well. A folder the system
// cannot sync (EINVAL: the file system has nothing to flush) is not a failure.
void sincronizzaCartella(const QString& percorso) {
  const QByteArray cartella = QFile::encodeName(QFileInfo(percorso).absolutePath());
  const int fd = ::open(cartella.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool fatto = fd >= 0 && (::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP);
  const QString motivo = fatto ? QString() : motivoDiSistema();
  if (fd >= 0) ::close(fd);
  // The new file is already in place: the user must know it may not outlive a crash.
  if (!fatto)
    nonScritto(QStringLiteral("Il nuovo file è al suo posto, ma il sistema non ha confermato "
                              "che sia sul disco (%1)")
                   .arg(motivo));
}

// Where the items of a file lie, found by the item rules as the bytes come, a block at a time.
class VociDelFile {
 public:
  struct Voce {
    qint64 inizio = 0, fine = 0;
  };

  void leggi(const char* p, qint64 n) {
    for (qint64 i = 0; i < n;) {
      // Inside quotes only the closing one matters: a list file is one long quoted item.
      if (stato_ == Stato::Citata) {
        const void* virgolette = std::memchr(p + i, '"', static_cast<std::size_t>(n - i));
        const qint64 salto = virgolette ? static_cast<const char*>(virgolette) - (p + i) : n - i;
        i += salto;
        pos_ += salto;
        if (i == n) break;
      }
      byte(p[i]);
      ++i;
      ++pos_;
    }
  }

  // The last item; the empty one when the file holds none.
  Voce ultima() {
    switch (stato_) {
      case Stato::Spazi:  // only blanks to the end: an empty item there
        corrente_.inizio = pos_;
        [[fallthrough]];
      case Stato::Citata:  // a quote never closed runs to the end
      case Stato::Libera:
        corrente_.fine = pos_;
        ultima_ = corrente_;
        stato_ = Stato::TraVoci;
        break;
      default:
        break;
    }
    return ultima_;
  }

 private:
  enum class Stato { TraVoci, Spazi, Citata, DopoCitata, Libera, DopoCR };

  void byte(char c) {
    switch (stato_) {
      case Stato::DopoCR:
        stato_ = Stato::TraVoci;
        if (c == '\n') return;  // CR LF ends one line
        [[fallthrough]];
      case Stato::TraVoci:
        stato_ = Stato::Spazi;
        [[fallthrough]];
      case Stato::Spazi:
        if (c == ' ') return;
        if (c == '"') {
          corrente_.inizio = pos_ + 1;
          stato_ = Stato::Citata;
          return;
        }
        corrente_.inizio = pos_;
        stato_ = Stato::Libera;
        [[fallthrough]];
      case Stato::Libera:
        if (c != ',' && c != '\r' && c != '\n') return;
        corrente_.fine = pos_;
        ultima_ = corrente_;
        delimitatore(c);
        return;
      case Stato::Citata:
        if (c != '"') return;
        corrente_.fine = pos_;
        ultima_ = corrente_;
        stato_ = Stato::DopoCitata;
        return;
      case Stato::DopoCitata:
        // Whatever stands between the closing quote and the delimiter belongs to no item.
        delimitatore(c);
        return;
    }
  }

  void delimitatore(char c) {
    if (c == ',' || c == '\n')
      stato_ = Stato::TraVoci;
    else if (c == '\r')
      stato_ = Stato::DopoCR;
  }

  Stato stato_ = Stato::TraVoci;
  qint64 pos_ = 0;
  Voce corrente_, ultima_;
};

// One byte per character.
void allarga(const char* da, qint64 n, QChar* a) {
  for (qint64 i = 0; i < n; ++i)
    a[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(da[i])));
}

// A regular file open for reading. Opened without waiting, so that a pipe chosen in the dialog
// is refused instead of waiting forever for a writer.
class FileAperto {
 public:
  explicit FileAperto(const QString& percorso) {
    fd_ = ::open(QFile::encodeName(percorso).constData(),
                 O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw Errore(Errore::FileNonTrovato, motivoDiSistema());
    struct stat s {};
    if (::fstat(fd_, &s) != 0) erroreLettura(motivoDiSistema());
    if (!S_ISREG(s.st_mode))
      erroreLettura(QStringLiteral("Il file selezionato non è un file regolare"));
    dimensione_ = s.st_size;
  }
  ~FileAperto() { ::close(fd_); }
  FileAperto(const FileAperto&) = delete;
  FileAperto& operator=(const FileAperto&) = delete;

  qint64 dimensione() const { return dimensione_; }
  int fd() const { return fd_; }

  // The next bytes from the front; 0 at the end.
  qint64 leggi(char* dati, qint64 n) const {
    for (;;) {
      const ssize_t letti = ::read(fd_, dati, static_cast<std::size_t>(n));
      if (letti >= 0) return letti;
      if (errno != EINTR) erroreLettura(motivoDiSistema());
    }
  }

  // Exactly `n` bytes from `da`: the file seen in the first pass must still be there.
  void leggiDa(qint64 da, char* dati, qint64 n) const {
    for (qint64 fatti = 0; fatti < n;) {
      const ssize_t letti =
          ::pread(fd_, dati + fatti, static_cast<std::size_t>(n - fatti), da + fatti);
      if (letti < 0 && errno == EINTR) continue;
      if (letti < 0) erroreLettura(motivoDiSistema());
      if (letti == 0) erroreLettura(QStringLiteral("Il file è cambiato durante la lettura"));
      fatti += letti;
    }
  }

 private:
  [[noreturn]] static void erroreLettura(const QString& motivo) {
    throw Errore(Errore::ErroreLettura, motivo);
  }

  int fd_ = -1;
  qint64 dimensione_ = 0;
};

// The last item of a list file, read from the file as asked.
class VoceDelFile : public VoceCifrata {
 public:
  VoceDelFile(std::shared_ptr<const FileAperto> file, qint64 inizio, qint64 lunghezza)
      : file_(std::move(file)), inizio_(inizio), lunghezza_(lunghezza) {}
  qint64 lunghezza() const override { return lunghezza_; }
  void leggi(qint64 da, char* byte, qint64 n) const override {
    if (da < 0 || n < 0 || da + n > lunghezza_)
      throw Errore(Errore::ErroreLettura, QStringLiteral("Lettura fuori dalla voce"));
    file_->leggiDa(inizio_ + da, byte, n);
  }

 private:
  std::shared_ptr<const FileAperto> file_;
  qint64 inizio_, lunghezza_;
};

[[noreturn]] void versioneFallita(const QString& motivo) {
  nonScritto(
      QStringLiteral("Non è stato possibile conservare la versione precedente (%1)").arg(motivo));
}

// Where the file about to be replaced waits to become the first previous version.
QString versioneInAttesa(const QString& percorso) {
  const QFileInfo info(percorso);
  return info.dir().filePath(u'.' + info.fileName() + QStringLiteral(".precedente"));
}

// Gives the file about to be replaced a second name, which the rename of the new one leaves its
// only name; where the file system has no such names, a copy. Before the rename, so that a
// version that cannot be kept fails the save with the old file in place.
void preparaVersione(const QString& percorso) {
  const QString attesa = versioneInAttesa(percorso);
  const QByteArray nome = QFile::encodeName(attesa);
  if (::unlink(nome.constData()) != 0 && errno != ENOENT) versioneFallita(motivoDiSistema());
  const QByteArray file = QFile::encodeName(percorso);
  if (::linkat(AT_FDCWD, file.constData(), AT_FDCWD, nome.constData(), AT_SYMLINK_FOLLOW) == 0)
    return;
  QFile vecchio(percorso);
  if (!vecchio.open(QIODevice::ReadOnly)) versioneFallita(vecchio.errorString());
  QSaveFile copia(attesa);
  const mode_t maschera = ::umask(077);
  const bool aperta = copia.open(QIODevice::WriteOnly);
  ::umask(maschera);
  if (!aperta) versioneFallita(copia.errorString());
  char blocco[1 << 16];
  for (qint64 n; (n = vecchio.read(blocco, sizeof blocco)) > 0;)
    if (copia.write(blocco, n) != n) versioneFallita(copia.errorString());
  if (vecchio.error() != QFileDevice::NoError) versioneFallita(vecchio.errorString());
  if (!copia.commit()) versioneFallita(copia.errorString());
}

// Once the new file is in place: the previous versions one down, the oldest gone, the one in
// waiting the first.
void ruotaVersioni(const QString& percorso) {
  const auto nome = [&](int n) { return QFile::encodeName(nome_versione(percorso, n)); };
  const auto fallita = [] {
    nonScritto(QStringLiteral("Il nuovo file è al suo posto, ma non è stato possibile "
                              "conservare la versione precedente (%1)")
                   .arg(motivoDiSistema()));
  };
  for (int n = versioniConservate; n > 1; --n) {
    const QByteArray da = nome(n - 1);
    if (::access(da.constData(), F_OK) == 0 && ::rename(da.constData(), nome(n).constData()) != 0)
      fallita();
  }
  const QByteArray primo = nome(1);
  if (::rename(QFile::encodeName(versioneInAttesa(percorso)).constData(), primo.constData()) != 0)
    fallita();
  // Where the file system keeps no permissions (a FAT stick), refusing the change is harmless.
  ::chmod(primo.constData(), S_IRUSR | S_IWUSR);
}

}  // namespace

QString nome_versione(const QString& percorso, int n) {
  const QFileInfo info(percorso);
  const QString numero = QString::number(n);
  const QString nome = info.suffix().isEmpty() || info.completeBaseName().isEmpty()
                           ? info.fileName() + u'.' + numero
                           : info.completeBaseName() + u'.' + numero + u'.' + info.suffix();
  return info.dir().filePath(nome);
}

namespace {

// Writes the file beside the old one, syncs it and renames it into place, then syncs the folder:
// the old file is replaced only by a whole new one. `scrivi` is handed the function that writes
// each piece. A new file is readable by its owner alone from its creation, an existing one too
// when `soloProprietario`. With `versioni`, the file replaced is kept as the first previous one.
// Gives back the print of the file written, hashed as it is written: nothing is read back.
std::optional<Impronta> scrivi_al_sicuro(
    const QString& percorso, bool soloProprietario, bool versioni,
    const std::function<void(const std::function<void(const char*, qsizetype)>&)>& contenuto) {
  // Through a link, to what it names: a pipe or a device is not replaced by a list file.
  struct stat s {};
  const bool nuovo = ::stat(QFile::encodeName(percorso).constData(), &s) != 0;
  if (!nuovo && !S_ISREG(s.st_mode))
    nonScritto(QStringLiteral("Il file di destinazione non è un file regolare"));
  QSaveFile file(percorso);
  // Unbuffered: through its buffer, a write that the disk cut short (full, over quota, over the
  // size limit) goes unreported and commit() would put the truncated file in place of the old.
  // A new file is private from its creation, with no later change of mode that a file system
  // without permissions (a FAT stick) would refuse; the mask is the process's, and this thread
  // is the only one that creates files.
  const mode_t maschera = nuovo ? ::umask(077) : 0;
  const bool aperto = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  if (nuovo) ::umask(maschera);
  if (!aperto) nonScritto(file.errorString());
  if (!nuovo && soloProprietario &&
      !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
    nonScritto(file.errorString());
  crypto_generichash_state hash;
  crypto_generichash_init(&hash, nullptr, 0, crypto_generichash_BYTES);
  contenuto([&file, &hash](const char* dati, qsizetype n) {
    crypto_generichash_update(&hash, reinterpret_cast<const unsigned char*>(dati),
                              static_cast<unsigned long long>(n));
    for (qsizetype fatti = 0; fatti < n;) {
      const qint64 scritti = file.write(dati + fatti, n - fatti);
      // A short write is retried, so that the second try names the system's reason.
      if (scritti <= 0)
        nonScritto(file.error() != QFileDevice::NoError ? file.errorString()
                                                        : QStringLiteral("Scrittura interrotta"));
      fatti += scritti;
    }
  });
  // commit() syncs too but ignores a failure; a delayed write error must stop the rename.
  if (::fsync(file.handle()) != 0) nonScritto(motivoDiSistema());
  // The rename keeps the file's identity, size and time.
  std::optional<Impronta> impronta = identita_aperto(file.handle());
  if (impronta) crypto_generichash_final(&hash, impronta->hash.data(), impronta->hash.size());
  versioni = versioni && !nuovo;
  if (versioni) preparaVersione(percorso);
  if (!file.commit()) {
    if (versioni) QFile::remove(versioneInAttesa(percorso));
    nonScritto(file.errorString());
  }
  if (versioni) ruotaVersioni(percorso);
  sincronizzaCartella(percorso);
  return impronta;
}

}  // namespace

std::optional<Impronta> scrivi_file_lista(const QString& percorso, const QString& voce,
                                          qint64 massimo) {
  // A quote or a line break inside would make the line unreadable; more than one byte per
  // character has no form in the file.
  for (const QChar c : voce)
    if (c.unicode() >= 0x80 || c == u'"' || c == u'\r' || c == u'\n')
      nonScritto(QStringLiteral("Il testo da scrivere non ha forma di riga del file"));
  // A file that the load would refuse is not worth the old one.
  if (voce.size() > massimo - 4)  // the two quotes, CR and LF
    nonScritto(QStringLiteral("La lista è troppo grande per essere salvata"));

  return scrivi_al_sicuro(percorso, false, true, [&voce](const auto& scrivi) {
    // A block at a time, so that a large list needs no second copy of its text.
    constexpr qsizetype blocco = 1 << 16;
    char byte[blocco];
    scrivi("\"", 1);
    for (qsizetype da = 0; da < voce.size(); da += blocco) {
      const qsizetype n = std::min(blocco, voce.size() - da);
      for (qsizetype i = 0; i < n; ++i) byte[i] = static_cast<char>(voce[da + i].unicode());
      scrivi(byte, n);
    }
    scrivi("\"\r\n", 3);
  });
}

std::optional<Impronta> scrivi_file_lista(const QString& percorso, const TestoCifrato& voce,
                                          qint64 massimo) {
  if (voce.lunghezza() > massimo - 4)  // the two quotes, CR and LF
    nonScritto(QStringLiteral("La lista è troppo grande per essere salvata"));
  return scrivi_al_sicuro(percorso, false, true, [&voce](const auto& scrivi) {
    scrivi("\"", 1);
    voce.scrivi([&scrivi](const char* byte, qsizetype n) {
      // A quote or a line break inside would make the line unreadable; more than one byte per
      // character has no form in the file. Found before the file is put in place.
      static constexpr auto vietato = [] {
        std::array<bool, 256> v{};
        for (int c = 0x80; c < 256; ++c) v[c] = true;
        v['"'] = v['\r'] = v['\n'] = true;
        return v;
      }();
      bool fuori = false;
      for (qsizetype i = 0; i < n; ++i) fuori |= vietato[static_cast<unsigned char>(byte[i])];
      if (fuori) nonScritto(QStringLiteral("Il testo da scrivere non ha forma di riga del file"));
      scrivi(byte, n);
    });
    scrivi("\"\r\n", 3);
  });
}

void scrivi_file_esportato(const QString& percorso, const QByteArray& contenuto) {
  // An existing file's wider permissions are not kept: this one holds every password in clear.
  (void)scrivi_al_sicuro(percorso, true, false, [&contenuto](const auto& scrivi) {
    scrivi(contenuto.constData(), contenuto.size());
  });
}

QByteArray leggi_file_esterno(const QString& percorso, qint64 massimo) {
  try {
    const FileAperto file(percorso);
    if (file.dimensione() > massimo)
      throw Errore(Errore::ErroreLettura,
                   QStringLiteral("Il file è troppo grande (%1 MiB; al più %2 MiB)")
                       .arg(file.dimensione() >> 20)
                       .arg(massimo >> 20));
    // Read at the size seen, once, into a buffer that never grows: no copy of it left behind.
    QByteArray byte(file.dimensione(), Qt::Uninitialized);
    qint64 fatti = 0;
    for (qint64 n;
         fatti < byte.size() && (n = file.leggi(byte.data() + fatti, byte.size() - fatti)) > 0;)
      fatti += n;
    byte.truncate(fatti);
    return byte;
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

QString ultima_voce(const QByteArray& contenuto) {
  VociDelFile voci;
  voci.leggi(contenuto.constData(), contenuto.size());
  const VociDelFile::Voce v = voci.ultima();
  QString voce(v.fine - v.inizio, Qt::Uninitialized);
  allarga(contenuto.constData() + v.inizio, v.fine - v.inizio, voce.data());
  return voce;
}

class FileLista::Aperto : public FileAperto {
  using FileAperto::FileAperto;
};

FileLista::FileLista(const QString& percorso, qint64 massimo) {
  try {
    file_ = std::make_shared<Aperto>(percorso);
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
  if (file_->dimensione() > massimo)
    throw Errore(Errore::ErroreLettura,
                 QStringLiteral("Il file è troppo grande per essere una lista"));
}

FileLista::~FileLista() = default;

std::unique_ptr<VoceCifrata> FileLista::ultimaVoce(std::optional<Impronta>* impronta) {
  try {
    // Where the last item lies: the file goes by a block at a time and is not kept.
    VociDelFile voci;
    constexpr std::size_t blocco = 1 << 16;
    const auto dati = std::make_unique_for_overwrite<char[]>(blocco);
    crypto_generichash_state hash;
    crypto_generichash_init(&hash, nullptr, 0, crypto_generichash_BYTES);
    ::lseek(file_->fd(), 0, SEEK_SET);
    for (qint64 n; (n = file_->leggi(dati.get(), blocco)) > 0;) {
      voci.leggi(dati.get(), n);
      if (impronta)
        crypto_generichash_update(&hash, reinterpret_cast<const unsigned char*>(dati.get()),
                                  static_cast<unsigned long long>(n));
    }
    if (impronta) {
      *impronta = identita_aperto(file_->fd());
      if (*impronta)
        crypto_generichash_final(&hash, (*impronta)->hash.data(), crypto_generichash_BYTES);
    }
    const VociDelFile::Voce v = voci.ultima();
    return std::make_unique<VoceDelFile>(file_, v.inizio, v.fine - v.inizio);
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

QString leggi_file_lista(const QString& percorso, const Riconosce& riconosce, qint64 massimo,
                         std::optional<Impronta>* impronta) {
  FileLista file(percorso, massimo);
  const std::unique_ptr<VoceCifrata> voce = file.ultimaVoce(impronta);
  const qint64 lunghezza = voce->lunghezza();
  try {
    // Its first characters decide whether the rest is worth memory.
    if (riconosce) {
      const qint64 primi = std::min<qint64>(lunghezza, primiCaratteri);
      char byte[primiCaratteri];
      QChar inizio[primiCaratteri];
      voce->leggi(0, byte, primi);
      allarga(byte, primi, inizio);
      if (!riconosce(QStringView(inizio, primi), lunghezza)) return {};
    }
    QString testo(lunghezza, Qt::Uninitialized);
    char blocco[1 << 16];
    for (qint64 fatti = 0; fatti < lunghezza;) {
      const qint64 n = std::min<qint64>(sizeof blocco, lunghezza - fatti);
      voce->leggi(fatti, blocco, n);
      allarga(blocco, n, testo.data() + fatti);
      fatti += n;
    }
    return testo;
  } catch (const std::bad_alloc&) {
    throw Errore(Errore::MemoriaEsaurita, QStringLiteral("Memoria esaurita"));
  }
}

}  // namespace custodex
