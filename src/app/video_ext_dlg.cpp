#include "app/video_ext_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "gui/dialog_builder.h"
#include "gui/prompts.h"

namespace q9::app {
namespace {

using gui::ControlKind;

constexpr gui::ControlRow kTemplate[] = {
    {kIdVideoExtText, ControlKind::Label,
     "Also convert files with these extensions as videos (for example "
     "mp4,mov,mkv,webm,m4v,mpg,gif). Leave it empty for the converter's own list.",
     7, 7, 230, 26},
    {gui::kNoId, ControlKind::Label, "&Extensions:", 7, 40, 42, 8},
    {kIdVideoExtEdit, ControlKind::Edit, nullptr, 50, 38, 187, 14},
    {kIdVideoExtOk, ControlKind::DefaultButton, "OK", 129, 60, 50, 14},
    {kIdVideoExtCancel, ControlKind::Button, "Cancel", 187, 60, 50, 14},
};

}  // namespace

CVideoExtDlg::CVideoExtDlg(gui::Prompts& prompts, const convert::VideoExtensions& current,
                           QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_extensions(current) {
  setWindowTitle(QStringLiteral("Video Extensions"));
  gui::DialogBuilder::Build(*this, kTemplate, 244, 81);

  auto* text = gui::FindControl<QLabel>(*this, kIdVideoExtText);
  text->setTextFormat(Qt::PlainText);
  text->setBuddy(nullptr);
  auto* edit = gui::FindControl<QLineEdit>(*this, kIdVideoExtEdit);
  edit->setText(QString::fromStdString(current.Text()));
  edit->setFocus();
  connect(gui::FindControl<QPushButton>(*this, kIdVideoExtOk), &QPushButton::clicked, this,
          &CVideoExtDlg::OnOk);
  connect(gui::FindControl<QPushButton>(*this, kIdVideoExtCancel), &QPushButton::clicked, this,
          &QDialog::reject);
}

void CVideoExtDlg::OnOk() {
  auto* edit = gui::FindControl<QLineEdit>(*this, kIdVideoExtEdit);
  platform::Result<convert::VideoExtensions> parsed =
      convert::VideoExtensions::Parse(edit->text().toStdString());
  if (!parsed) {
    m_prompts.Message(this, QString::fromStdString(parsed.Reason()), windowTitle(),
                      gui::MessageButtons::Ok, gui::MessageIcon::Exclamation);
    edit->setFocus();
    edit->selectAll();
    return;
  }
  m_extensions = std::move(*parsed);
  accept();
}

}  // namespace q9::app
