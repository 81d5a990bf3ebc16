#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace velmora {

// The about box: name, version, copyright with the current year, addresses.
class Tabout : public QDialog {
  Q_OBJECT

 public:
  explicit Tabout(QWidget* parent = nullptr);

  static QString CopyrightLine();
  static constexpr const char* WebAddress = "https://velmora.example.org/";
  static constexpr const char* SupportAddress = "support@velmora.example.org";

  QLabel* ProductName;
  QLabel* Version;
  QLabel* Copyright;
  QLabel* WebLink;
  QLabel* SupportLink;
  QPushButton* OKButton;
};

}  // namespace velmora
