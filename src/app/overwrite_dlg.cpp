#include "app/overwrite_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "gui/dialog_builder.h"

namespace q9::app {
namespace {

using gui::ControlKind;

constexpr gui::ControlRow kTemplate[] = {
    {kIdOverwriteIcon, ControlKind::Icon, nullptr, 7, 7, 21, 20},
    {kIdOverwriteMessage, ControlKind::Label, nullptr, 38, 7, 189, 19},
    {kIdApplyToAll, ControlKind::CheckBox, "&Apply to all files", 7, 34, 61, 10},
    {kIdOverwriteYes, ControlKind::DefaultButton, "&Yes", 64, 45, 50, 14},
    {kIdOverwriteNo, ControlKind::Button, "&No", 122, 45, 50, 14},
};

}  // namespace

COverwriteDlg::COverwriteDlg(const QString& message, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Overwrite File?"));
  gui::DialogBuilder::Build(*this, kTemplate, 235, 66);

  auto* icon = gui::FindControl<QLabel>(*this, kIdOverwriteIcon);
  const int side = std::min(icon->width(), icon->height());
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(side, side));
  auto* text = gui::FindControl<QLabel>(*this, kIdOverwriteMessage);
  // A file name is shown as it is: no markup, and an "&" in it is no mnemonic.
  text->setTextFormat(Qt::PlainText);
  text->setBuddy(nullptr);
  text->setText(message);

  auto* applyToAll = gui::FindControl<QCheckBox>(*this, kIdApplyToAll);
  // The box's text runs wider in our fonts than its template allows; the
  // space to its right is free.
  applyToAll->resize(std::max(applyToAll->width(), applyToAll->sizeHint().width()),
                     applyToAll->height());
  connect(applyToAll, &QCheckBox::clicked, this, [this](bool checked) { m_applyToAll = checked; });
  connect(gui::FindControl<QPushButton>(*this, kIdOverwriteYes), &QPushButton::clicked, this,
          &QDialog::accept);
  connect(gui::FindControl<QPushButton>(*this, kIdOverwriteNo), &QPushButton::clicked, this,
          &QDialog::reject);
}

}  // namespace q9::app
