#pragma once
// The gamma dialog: the gamma of the Gamma Correct command (0.01 to 1000;
// above 1 brightens, below 1 darkens) and an "Enabled" check box, which
// typing a gamma checks. A gamma outside that range, such as the record's
// 0 before any was chosen, is offered as 1.

#include "adjust_dialog/template_dialog.h"

class QCheckBox;
class QLineEdit;

namespace q9::adjust_dialog {

class CGammaDlg : public TemplateDialog {
  Q_OBJECT

 public:
  static constexpr int kGammaId = 1100;
  static constexpr int kEnabledId = 1103;
  static constexpr double kMinGamma = 0.01;
  static constexpr double kMaxGamma = 1000.0;

  CGammaDlg(float gamma, bool enabled, QWidget* parent = nullptr);

  // The typed gamma within the range; the offered one when the text is no
  // number.
  float Gamma() const;
  bool Enabled() const;

 private:
  float m_offered;
  QLineEdit* m_gamma;
  QCheckBox* m_enabled;
};

}  // namespace q9::adjust_dialog
