#pragma once
// "Overwrite File?": asked when a destination sequence exists. Yes ends it
// accepted, No (and Escape) rejected; "&Apply to all files" tells the run
// whether the answer holds for the rest of it.

#include <QDialog>
#include <QString>

namespace q9::app {

enum OverwriteControlId : int {
  kIdOverwriteYes = 1,
  kIdOverwriteNo = 2,
  kIdApplyToAll = 1010,
  kIdOverwriteMessage = 1011,
  kIdOverwriteIcon = 1012,
};

class COverwriteDlg : public QDialog {
  Q_OBJECT

 public:
  explicit COverwriteDlg(const QString& message, QWidget* parent = nullptr);

  // The check box's state at its last click; false until it is clicked.
  bool ApplyToAll() const { return m_applyToAll; }

 private:
  bool m_applyToAll = false;
};

}  // namespace q9::app
