#include "app/principale.h"

namespace custodex {

Principale::Principale(QWidget* parent) : QMainWindow(parent) {}

void Principale::avvia() {
  show();
}

}  // namespace custodex
