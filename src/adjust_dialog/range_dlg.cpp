#include "adjust_dialog/range_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>
#include <vector>

#include "adjust_dialog/list_dlg.h"

namespace q9::adjust_dialog {

int CRangeDlg::Bounded(int value, int minimum, int maximum, int fourth) {
  const int step = fourth > 0 ? fourth : 1;
  const int64_t clamped = std::clamp<int64_t>(value, minimum, maximum);
  const int64_t steps = (clamped - minimum + step / 2) / step;
  int64_t snapped = minimum + steps * step;
  if (snapped > maximum) snapped -= step;
  return int(snapped);
}

CRangeDlg::CRangeDlg(const RangeRequest& request, QWidget* parent)
    : TemplateDialog(request.title, parent),
      m_minimum(std::min(request.minimum, request.maximum)),
      m_maximum(std::max(request.minimum, request.maximum)),
      m_fourth(request.fourth) {
  const QByteArray label = request.label.toUtf8();
  const QByteArray choiceLabel = request.choiceLabel.toUtf8();
  const uint32_t choiceFlags = request.showChoice ? 0u : uint32_t(gui::kHidden);
  const ControlRow controls[] = {
      {kNoId, ControlKind::Label, label.constData(), 7, 9, 44, 8},
      {kValueEditId, ControlKind::Edit, nullptr, 54, 7, 32, 12, gui::kNumber | gui::kSigned},
      // The template's trackbar, laid on its side below.
      {kValueSliderId, ControlKind::VerticalSlider, nullptr, 92, 6, 128, 14},
      {kNoId, ControlKind::Label, choiceLabel.constData(), 7, 27, 44, 8, choiceFlags},
      {kChoiceListId, ControlKind::DropDownList, nullptr, 54, 25, 100, 60, choiceFlags},
      {kEnabledId, ControlKind::CheckBox, "&Enabled", 7, 44, 80, 10},
      {kIdOk, ControlKind::DefaultButton, "OK", 116, 60, 50, 14},
      {kIdCancel, ControlKind::Button, "Cancel", 170, 60, 50, 14},
  };
  BuildTemplate(controls, 227, 81);
  m_edit = Control<QLineEdit>(kValueEditId);
  m_slider = Control<QSlider>(kValueSliderId);
  m_choice = Control<QComboBox>(kChoiceListId);
  m_enabled = Control<QCheckBox>(kEnabledId);

  m_slider->setOrientation(Qt::Horizontal);
  m_slider->setAccessibleName(gui::DialogBuilder::WithoutMnemonic(request.label));
  m_slider->setRange(0, (m_maximum - m_minimum) / Step());
  m_choice->addItems(ChoiceEntries(request.choiceList));
  m_choice->setCurrentIndex(std::clamp(request.choice, 0, std::max(m_choice->count() - 1, 0)));
  m_enabled->setChecked(request.enabled);
  SetValue(Bounded(request.value, m_minimum, m_maximum, m_fourth));

  connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
    SetValue(m_minimum + position * Step());
    m_enabled->setChecked(true);
  });
  connect(m_edit, &QLineEdit::textEdited, this, [this] { m_enabled->setChecked(true); });
  connect(m_edit, &QLineEdit::editingFinished, this, &CRangeDlg::TakeTypedValue);
  connect(m_choice, &QComboBox::activated, this, [this] { m_enabled->setChecked(true); });
}

void CRangeDlg::SetValue(int value) {
  m_value = value;
  const QSignalBlocker quiet(m_slider);
  m_slider->setValue((value - m_minimum) / Step());
  m_edit->setText(QString::number(value));
}

void CRangeDlg::TakeTypedValue() {
  bool ok = false;
  const int typed = m_edit->text().toInt(&ok);
  SetValue(ok ? Bounded(typed, m_minimum, m_maximum, m_fourth) : m_value);
}

void CRangeDlg::accept() {
  TakeTypedValue();
  TemplateDialog::accept();
}

int CRangeDlg::Choice() const {
  return std::max(m_choice->currentIndex(), 0);
}

bool CRangeDlg::Enabled() const {
  return m_enabled->isChecked();
}

}  // namespace q9::adjust_dialog
