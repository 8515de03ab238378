#pragma once

#include <QWidget>

namespace custodex {

// The about window `about`: the program's name and two short notes, black and passive. It has
// no owner, so that it may lie behind the main window or stay while that one is hidden.
class About : public QWidget {
  Q_OBJECT

 public:
  About();

 signals:
  // The window has been closed, by its own close button or by the program.
  void chiusa();

 protected:
  void closeEvent(QCloseEvent* evento) override;
};

}  // namespace custodex
