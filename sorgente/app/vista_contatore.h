#pragma once

#include <QRect>
#include <QtGlobal>

class QLabel;

namespace custodex {

// The entry counter on the window: the caption `label_nodi` and the number `label_nnodi`.
// While the number fits its box both stay where the layout puts them; a longer one takes room on
// its left, ending where its box ends, and the caption moves left with it into the free space
// after the picture buttons. The number keeps a blank's width from the caption.
class VistaContatore {
 public:
  // Takes both labels where the layout has put them; `sinistra` is the leftmost pixel the
  // caption may move to.
  VistaContatore(QLabel& didascalia, QLabel& numero, int sinistra);

  void mostra(qint64 valore);

 private:
  QLabel& didascalia_;
  QLabel& numero_;
  const QRect postoDidascalia_, postoNumero_;
  const int sinistra_;
};

}  // namespace custodex
