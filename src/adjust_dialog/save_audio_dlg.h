#pragma once
// "Save AVI Audio": whether a video's sound track is saved as a WAV file, in
// which folder, and whether a TXD frame naming that file is added to the
// sequence. The TXD check box, the folder and "..." are enabled exactly
// while saving is on; they keep their values when disabled.

#include <QString>

#include "adjust_dialog/template_dialog.h"
#include "gui/prompts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace q9::adjust_dialog {

struct AudioOptions {
  bool saveAudio = false;
  bool addTxd = false;
  QString wavPath;
  friend bool operator==(const AudioOptions&, const AudioOptions&) = default;
};

class CSaveAudioDlg : public TemplateDialog {
  Q_OBJECT

 public:
  static constexpr int kSaveAudioId = 2858;
  static constexpr int kAddTxdId = 2860;
  static constexpr int kWavPathId = 1042;
  static constexpr int kBrowseId = 1023;

  CSaveAudioDlg(const AudioOptions& options, gui::Prompts& prompts, QWidget* parent = nullptr);

  AudioOptions Options() const;

 private:
  void Browse();
  void EnableForSaving(bool on);

  gui::Prompts& m_prompts;
  QCheckBox* m_save;
  QCheckBox* m_txd;
  QLineEdit* m_path;
  QPushButton* m_browse;
};

}  // namespace q9::adjust_dialog
