#include "adjust_dialog/gamma_dlg.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QLineEdit>
#include <algorithm>

namespace q9::adjust_dialog {
namespace {

constexpr ControlRow kControls[] = {
    {kNoId, ControlKind::Label, "&Gamma:", 7, 9, 30, 8},
    {CGammaDlg::kGammaId, ControlKind::Edit, nullptr, 40, 7, 40, 12},
    {kNoId, ControlKind::Label, "0.01 to 1000; above 1 brightens.", 84, 9, 130, 8},
    {CGammaDlg::kEnabledId, ControlKind::CheckBox, "&Enabled", 7, 26, 80, 10},
    {kIdOk, ControlKind::DefaultButton, "OK", 110, 42, 50, 14},
    {kIdCancel, ControlKind::Button, "Cancel", 164, 42, 50, 14},
};

}  // namespace

CGammaDlg::CGammaDlg(float gamma, bool enabled, QWidget* parent)
    : TemplateDialog(QStringLiteral("Gamma Correct"), parent),
      m_offered(gamma >= kMinGamma && gamma <= kMaxGamma ? gamma : 1.0f) {
  BuildTemplate(kControls, 221, 63);
  m_gamma = Control<QLineEdit>(kGammaId);
  m_enabled = Control<QCheckBox>(kEnabledId);
  auto* validator = new QDoubleValidator(0.0, kMaxGamma, 2, m_gamma);
  validator->setNotation(QDoubleValidator::StandardNotation);
  validator->setLocale(QLocale::c());
  m_gamma->setValidator(validator);
  m_gamma->setText(QLocale::c().toString(double(m_offered), 'g', 6));
  m_enabled->setChecked(enabled);
  connect(m_gamma, &QLineEdit::textEdited, this, [this] { m_enabled->setChecked(true); });
}

float CGammaDlg::Gamma() const {
  bool ok = false;
  const double typed = QLocale::c().toDouble(m_gamma->text(), &ok);
  return ok ? float(std::clamp(typed, kMinGamma, kMaxGamma)) : m_offered;
}

bool CGammaDlg::Enabled() const {
  return m_enabled->isChecked();
}

}  // namespace q9::adjust_dialog
