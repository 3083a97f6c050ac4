#pragma once
// The About box: the program's name and version, and the versions of Qt,
// FFmpeg and ImageMagick it runs with.

#include <QDialog>

namespace q9::app {

enum AboutControlId : int {
  kIdAboutOk = 1,
  kIdAboutIcon = 1101,
  kIdAboutName = 1102,
  kIdAboutLibraries = 1103,
};

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace q9::app
