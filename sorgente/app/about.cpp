#include "app/about.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QShortcut>

#include "app/aspetto.h"
#include "app/icona.h"

namespace custodex {

namespace {

// Each item on a line of its own, short enough not to wrap.
const QString notaProgramma = QStringLiteral(
    "Custodex\n"
    "custode di password\n"
    "\n"
    "\u00a9 2026 l'autore\n"
    "Licenza GNU GPL 3+");

const QString notaAutore = QStringLiteral(
    "Domande, idee, errori?\n"
    "Scrivete all'autore:\n"
    "autore@example.org");

QPalette colori(QPalette tavolozza, const QColor& testo, const QColor& sfondo) {
  tavolozza.setColor(QPalette::WindowText, testo);
  tavolozza.setColor(QPalette::Window, sfondo);
  return tavolozza;
}

QFont fontTitolo() {
  QFont f;
  // The liquid-crystal face where the desktop has it; otherwise a fixed-width one.
  f.setFamilies({QStringLiteral("LcdD"), QStringLiteral("DejaVu Sans Mono")});
  f.setStyleHint(QFont::Monospace);
  f.setPointSizeF(18);
  f.setBold(true);
  return f;
}

QFont fontCornice() {
  QFont f = fontFinestra();
  f.setPointSizeF(9.6);
  f.setBold(true);
  return f;
}

// A frame with a white caption and, inside it, a label in the usual colours holding the note.
QGroupBox* cornice(QWidget* finestra, const char* nome, const QString& titolo, QRect posto,
                   const char* nomeNota, const QString& nota) {
  auto* frame = new QGroupBox(titolo, finestra);
  frame->setObjectName(QString::fromLatin1(nome));
  frame->setGeometry(posto);
  frame->setFont(fontCornice());
  frame->setPalette(colori(frame->palette(), Qt::white, Qt::black));

  auto* label = new QLabel(nota, frame);
  label->setObjectName(QString::fromLatin1(nomeNota));
  label->setGeometry(twip(0, 360, 1692, 1332));
  label->setFont(fontFinestra());
  const QPalette usuale = QApplication::palette();
  label->setPalette(
      colori(usuale, usuale.color(QPalette::WindowText), usuale.color(QPalette::Window)));
  label->setAutoFillBackground(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  label->setIndent(px(45));
  return frame;
}

}  // namespace

About::About() {
  setObjectName(QStringLiteral("about"));
  setWindowTitle(QStringLiteral("About Custodex"));
  setWindowIcon(iconaProgramma());
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(px(3744), px(2496));
  setFont(fontFinestra());
  setPalette(colori(palette(), Qt::white, Qt::black));
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
  // Nothing in it takes the keyboard, so the window's own shortcut closes it.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);

  auto* titolo = new QLabel(QStringLiteral("Custodex"), this);
  titolo->setObjectName(QStringLiteral("titolo"));
  titolo->setGeometry(twip(600, 120, 2292, 372));
  titolo->setFont(fontTitolo());
  titolo->setPalette(colori(titolo->palette(), QColor(0, 255, 0), Qt::black));

  cornice(this, "spazio2", QStringLiteral("Il programma"), twip(120, 600, 1692, 1692), "Label1",
          notaProgramma);
  cornice(this, "spazio1", QStringLiteral("L'autore"), twip(1920, 600, 1692, 1692), "Label2",
          notaAutore);
}

void About::closeEvent(QCloseEvent* evento) {
  QWidget::closeEvent(evento);
  emit chiusa();
}

}  // namespace custodex
