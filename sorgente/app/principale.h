#pragma once

#include <QMainWindow>

namespace custodex {

class Principale : public QMainWindow {
  Q_OBJECT

 public:
  explicit Principale(QWidget* parent = nullptr);
  void avvia();
};

}  // namespace custodex
