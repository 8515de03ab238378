#pragma once

#include "comune/piattaforma.h"

class QSessionManager;

namespace custodex {

// The desktop session's end as Qt hands it over, for the one call it lasts.
class QtSessione : public Sessione {
 public:
  explicit QtSessione(QSessionManager& gestore) : gestore_(gestore) {}
  bool puoChiedere() override;
  void annulla() override;

 private:
  QSessionManager& gestore_;
};

}  // namespace custodex
