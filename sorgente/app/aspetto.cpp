#include "app/aspetto.h"

#include <QStringList>
#include <QtMath>

namespace custodex {

int px(int twip) {
  return qRound(twip / 15.0);
}

QRect twip(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

QFont fontFinestra() {
  QFont f;
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  f.setPointSizeF(8);
  f.setBold(false);
  f.setItalic(false);
  return f;
}

}  // namespace custodex
