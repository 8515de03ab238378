#pragma once

#include <sys/resource.h>
#include <sys/stat.h>  // umask, for the tests of permissions
#include <sys/types.h>

#include <QByteArray>
#include <QString>

// Files as the tests look at them, byte by byte.

namespace custodex::copione {

// The file's bytes; "<assente>" when it cannot be read.
QByteArray leggiByte(const QString& percorso);
bool scriviByte(const QString& percorso, const QByteArray& byte);
// The file's permission bits; 0 when it does not exist.
mode_t permessi(const QString& percorso);

// Lowers the largest file this process may write, so that a write fails even for root.
class LimiteFile {
 public:
  explicit LimiteFile(rlim_t byte);
  ~LimiteFile();
  LimiteFile(const LimiteFile&) = delete;
  LimiteFile& operator=(const LimiteFile&) = delete;

 private:
  rlimit prima_{};
};

}  // namespace custodex::copione
