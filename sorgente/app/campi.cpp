#include "app/campi.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "comune/azzera.h"

namespace custodex {

namespace {

void lascia(QString& vecchio) {
  // Selected with the mouse, part of the value went to the primary selection, which other
  // programs read unasked: take it back while it is still ours.
  QClipboard* appunti = QGuiApplication::clipboard();
  if (!vecchio.isEmpty() && appunti->supportsSelection() && appunti->ownsSelection()) {
    QString selezione = appunti->text(QClipboard::Selection);
    if (!selezione.isEmpty() && vecchio.contains(selezione)) {
      appunti->clear(QClipboard::Selection);
      azzera(selezione);
    }
  }
  azzera(vecchio);
}

}  // namespace

QString testoDi(const QPlainTextEdit& box) {
  // The raw text keeps a no-break space and a line separator as they were typed or pasted, where
  // the plain text would make them a space and a line break. Every paragraph separator in it is a
  // break between the box's blocks: the box itself turns a typed or pasted one, like "\r\n" and
  // "\r", into such a break.
  QString testo = box.document()->toRawText();
  testo.replace(QChar::ParagraphSeparator, u'\n');
  return testo;
}

void svuotaCampo(QLineEdit& box) {
  QString vecchio = box.text();
  box.setText(QString());
  lascia(vecchio);
}

void svuotaCampo(QPlainTextEdit& box) {
  QString vecchio = box.toPlainText();
  box.clear();
  lascia(vecchio);
}

}  // namespace custodex
