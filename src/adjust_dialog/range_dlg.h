#pragma once
// The parameter dialog of a ranged image command: a number and a slider
// bounded by the minimum and maximum, an "Enabled" check box, and a choice
// list when the command has one. The fourth number, when not 0, is the step
// between the values allowed, counted from the minimum (Average and Median
// take the odd sizes 3 to 11). Setting the number, the slider or the choice
// checks "Enabled": a parameter is set to be used.

#include <QString>

#include "adjust_dialog/template_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace q9::adjust_dialog {

struct RangeRequest {
  QString title;
  QString label;
  int value = 0;
  int minimum = 0;
  int maximum = 0;
  int fourth = 0;
  bool showChoice = false;
  QString choiceLabel;
  QString choiceList;  // entries separated by "|"
  int choice = 0;
  bool enabled = false;
};

class CRangeDlg : public TemplateDialog {
  Q_OBJECT

 public:
  static constexpr int kValueEditId = 1100;
  static constexpr int kValueSliderId = 1101;
  static constexpr int kChoiceListId = 1102;
  static constexpr int kEnabledId = 1103;

  explicit CRangeDlg(const RangeRequest& request, QWidget* parent = nullptr);

  int Value() const { return m_value; }
  int Choice() const;
  bool Enabled() const;

  // value moved into minimum..maximum and onto the step grid (the nearest
  // allowed value).
  static int Bounded(int value, int minimum, int maximum, int fourth);

 public slots:
  void accept() override;

 private:
  int Step() const { return m_fourth > 0 ? m_fourth : 1; }
  void SetValue(int value);
  void TakeTypedValue();

  int m_minimum;
  int m_maximum;
  int m_fourth;
  int m_value = 0;
  QLineEdit* m_edit;
  QSlider* m_slider;
  QComboBox* m_choice;
  QCheckBox* m_enabled;
};

}  // namespace q9::adjust_dialog
