#pragma once
// "Still Images": whether all marked still images go into one sequence, and
// its name. The name edit is enabled exactly while the check box is on.

#include <QString>

#include "adjust_dialog/template_dialog.h"

class QCheckBox;
class QLineEdit;

namespace q9::adjust_dialog {

class CStillImagesDlg : public TemplateDialog {
  Q_OBJECT

 public:
  static constexpr int kSingleSequenceId = 1030;
  static constexpr int kNameLabelId = 1036;
  static constexpr int kNameId = 1031;

  CStillImagesDlg(bool singleSequence, const QString& name, QWidget* parent = nullptr);

  bool SingleSequence() const;
  QString Name() const;

 private:
  QCheckBox* m_single;
  QLineEdit* m_name;
};

}  // namespace q9::adjust_dialog
