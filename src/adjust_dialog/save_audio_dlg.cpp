#include "adjust_dialog/save_audio_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace q9::adjust_dialog {
namespace {

constexpr ControlRow kControls[] = {
    {CSaveAudioDlg::kSaveAudioId, ControlKind::CheckBox, "Save AVI Audio to WAV File", 7, 7, 200,
     10},
    {CSaveAudioDlg::kAddTxdId, ControlKind::CheckBox, "Add TXD Frame with Saved WAV for Sonquill",
     7, 20, 200, 10},
    {kNoId, ControlKind::Label, "WAV Path:", 7, 38, 40, 8},
    {CSaveAudioDlg::kWavPathId, ControlKind::Edit, nullptr, 48, 36, 180, 12},
    {CSaveAudioDlg::kBrowseId, ControlKind::Button, "...", 230, 36, 17, 12},
    {kNoId, ControlKind::Label,
     "Note: WAV files for the converted AVIs will be saved in this directory with the same name "
     "as the AVI except with an extension of .wav instead of .avi.",
     7, 54, 240, 26},
    {kIdOk, ControlKind::DefaultButton, "OK", 143, 84, 50, 14},
    {kIdCancel, ControlKind::Button, "Cancel", 197, 84, 50, 14},
};

}  // namespace

CSaveAudioDlg::CSaveAudioDlg(const AudioOptions& options, gui::Prompts& prompts, QWidget* parent)
    : TemplateDialog(QStringLiteral("Save AVI Audio"), parent), m_prompts(prompts) {
  BuildTemplate(kControls, 254, 105);
  m_save = Control<QCheckBox>(kSaveAudioId);
  m_txd = Control<QCheckBox>(kAddTxdId);
  m_path = Control<QLineEdit>(kWavPathId);
  m_browse = Control<QPushButton>(kBrowseId);
  m_save->setChecked(options.saveAudio);
  m_txd->setChecked(options.addTxd);
  m_path->setText(options.wavPath);
  EnableForSaving(options.saveAudio);
  connect(m_save, &QCheckBox::toggled, this, &CSaveAudioDlg::EnableForSaving);
  connect(m_browse, &QPushButton::clicked, this, &CSaveAudioDlg::Browse);
}

void CSaveAudioDlg::EnableForSaving(bool on) {
  for (QWidget* control : {static_cast<QWidget*>(m_txd), static_cast<QWidget*>(m_path),
                           static_cast<QWidget*>(m_browse)})
    control->setEnabled(on);
}

void CSaveAudioDlg::Browse() {
  if (m_txd->isChecked()) {
    m_prompts.Message(this,
                      QStringLiteral("Since you have chosen to add a TXD frame to use with "
                                     "Sonquill,\nyou must save this WAV file in a "
                                     "\\Sonquill\\Sounds directory."),
                      QStringLiteral("Reminder"), gui::MessageButtons::Ok,
                      gui::MessageIcon::Information);
  }
  if (const auto folder =
          m_prompts.PickFolder(this, QStringLiteral("Select WAV Path"), m_path->text()))
    m_path->setText(*folder);
}

AudioOptions CSaveAudioDlg::Options() const {
  return {m_save->isChecked(), m_txd->isChecked(), m_path->text()};
}

}  // namespace q9::adjust_dialog
