// The Adjust dialog's menus (Image Settings, the image commands, Options,
// Window), its source window, and the settings it keeps in the store.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>

#include "adjust/settings_persistence.h"
#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "adjust_dialog/save_audio_dlg.h"
#include "adjust_dialog/settings_set_dlg.h"
#include "adjust_dialog/still_images_dlg.h"
#include "convert/source_media.h"

namespace q9::adjust_dialog {
namespace {

QAction* AddCommand(QMenu& menu, const QString& text, int id = 0) {
  QAction* action = menu.addAction(text);
  if (id != 0) action->setObjectName(QString::number(id));
  return action;
}

}  // namespace

void CAdjustDlg::BuildMenus() {
  QMenu* settings = m_menuBar->addMenu(QStringLiteral("Image Settings"));
  connect(AddCommand(*settings, QStringLiteral("&Load...")), &QAction::triggered, this,
          &CAdjustDlg::LoadNamedSettings);
  connect(AddCommand(*settings, QStringLiteral("&Save...")), &QAction::triggered, this,
          &CAdjustDlg::SaveNamedSettings);
  connect(AddCommand(*settings, QStringLiteral("&Reset")), &QAction::triggered, this,
          &CAdjustDlg::OnReset);
  m_autoSaveAction = AddCommand(*settings, QStringLiteral("&Auto Save"));
  m_autoSaveAction->setCheckable(true);
  connect(m_autoSaveAction, &QAction::triggered, this, [this] {
    m_autoSave = !m_autoSave;
    UpdateMenuMarks();
  });

  m_commands = new ImageCommandMenus(
      m_prompts, *this, [this] { return m_source; }, [this] { m_owner.RefreshPreview(); });
  m_commands->AddTo(*m_menuBar);

  QMenu* options = m_menuBar->addMenu(QStringLiteral("Options"));
  m_stillImagesAction =
      AddCommand(*options, QStringLiteral("Still Images..."), kStillImagesCommand);
  m_saveAudioAction = AddCommand(*options, QStringLiteral("Save AVI Audio..."), kSaveAudioCommand);
  connect(m_stillImagesAction, &QAction::triggered, this, &CAdjustDlg::OnStillImages);
  connect(m_saveAudioAction, &QAction::triggered, this, &CAdjustDlg::OnSaveAudio);

  QMenu* window = m_menuBar->addMenu(QStringLiteral("Window"));
  m_sourceWindowAction = AddCommand(*window, QStringLiteral("Source Window"));
  connect(m_sourceWindowAction, &QAction::triggered, this, &CAdjustDlg::OnSourceWindowCommand);

  for (QAction* action : {m_stillImagesAction, m_saveAudioAction, m_sourceWindowAction})
    action->setCheckable(true);
  for (QMenu* menu : {settings, options, window})
    connect(menu, &QMenu::aboutToShow, this, &CAdjustDlg::UpdateMenuMarks);
}

void CAdjustDlg::UpdateMenuMarks() {
  m_autoSaveAction->setChecked(m_autoSave);
  m_stillImagesAction->setChecked(m_stillSingle);
  m_saveAudioAction->setChecked(m_source && m_source->SaveAudioFlag);
  m_sourceWindowAction->setChecked(m_sourceWnd && m_sourceWnd->isEnabled());
}

// ---- Options --------------------------------------------------------------------

void CAdjustDlg::OnStillImages() {
  if (m_stillName.isEmpty()) m_stillName = QStringLiteral("STILL_IMAGES.") + QStringLiteral("SQ9");
  CStillImagesDlg dialog(m_stillSingle, m_stillName, this);
  if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
    m_stillSingle = dialog.SingleSequence();
    m_stillName = dialog.Name();
    m_owner.SetStillImagesOptions(m_stillSingle, m_stillName.toUtf8().constData());
  }
  UpdateMenuMarks();
}

void CAdjustDlg::OnSaveAudio() {
  if (m_source == nullptr) return;
  CSaveAudioDlg dialog({m_source->SaveAudioFlag != 0, m_source->AddTxdFlag != 0,
                        QString::fromStdString(m_source->WavPath)},
                       m_prompts, this);
  if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
    const AudioOptions options = dialog.Options();
    m_source->SaveAudioFlag = options.saveAudio;
    m_source->AddTxdFlag = options.addTxd;
    m_source->WavPath = options.wavPath.toStdString();
  }
  UpdateMenuMarks();
}

// ---- The source window ---------------------------------------------------------------

void CAdjustDlg::CreateSourceWindow() {
  m_sourceWnd = new preview::CSourceWnd(this);
  const QRect frame = frameGeometry();
  m_sourceWnd->Create(this, QRect(frame.left(), frame.top() + frame.height(), 100, 100));
}

void CAdjustDlg::PlaceSourceWindow() {
  if (!m_sourceWnd) return;
  const QRect frame = frameGeometry();
  m_sourceWnd->move(frame.left(), frame.top() + frame.height() + 1);
}

void CAdjustDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_shownOnce || event->spontaneous()) return;
  m_shownOnce = true;
  PlaceSourceWindow();
  if (m_sourceWnd && m_sourceWnd->isEnabled()) m_sourceWnd->show();
}

void CAdjustDlg::OnSourceWindowCommand() {
  if (m_sourceWnd) {
    const bool show = !m_sourceWnd->isEnabled();
    m_sourceWnd->setEnabled(show);
    m_sourceWnd->setVisible(show);
  } else {
    CreateSourceWindow();
    std::string path;
    if (m_source) m_source->GetSourcePath(path);
    m_sourceWnd->SetSource(QString::fromStdString(path), m_source);
    PlaceSourceWindow();
    m_sourceWnd->show();
  }
  UpdateMenuMarks();
}

void CAdjustDlg::FitSourceToZoom() {
  if (m_sourceWnd) m_sourceWnd->FitSourceToZoom();
}

void CAdjustDlg::RepaintSourceWindow() {
  if (m_sourceWnd) m_sourceWnd->PaintSource();
}

// ---- Settings in the store -------------------------------------------------------

void CAdjustDlg::SaveBaseSettings() {
  const std::string wavPath = m_source ? m_source->WavPath : std::string();
  adjust::WriteBaseSettings(m_autoSave, m_source ? &wavPath : nullptr);
  if (m_autoSave) SaveNamedSettings();
}

void CAdjustDlg::LoadBaseSettings() {
  adjust::BaseSettings base;
  if (adjust::ReadBaseSettings(base)) {
    if (base.autoSave) m_autoSave = *base.autoSave != 0;
    if (m_source) m_source->WavPath = base.wavPath.value_or(std::string());
  }
  if (m_autoSave) LoadNamedSettings();
}

void CAdjustDlg::SaveNamedSettings() {
  CSettingsSetDlg dialog(CSettingsSetDlg::Mode::Save, m_prompts, this);
  if (m_prompts.RunModal(dialog) != QDialog::Accepted) return;
  // The values the dialog shows; they equal the record's.
  adjust::ImportSettings shown;
  m_values.StoreInto(shown);
  adjust::WriteSettingsSet(dialog.ChosenName().toStdString(), shown);
}

void CAdjustDlg::LoadNamedSettings() {
  if (m_source == nullptr) return;
  CSettingsSetDlg dialog(CSettingsSetDlg::Mode::Load, m_prompts, this);
  if (m_prompts.RunModal(dialog) != QDialog::Accepted) return;
  adjust::SettingsSet set;
  if (!adjust::ReadSettingsSet(dialog.ChosenName().toStdString(), set)) return;
  const preview::CaptureGeometry g = Geometry();
  adjust::ApplySettingsSet(*m_source, set,
                           {HasFrame(), g.frameWidth, g.frameHeight, g.signWidth, g.signHeight});
  m_values.LoadFrom(*m_source);
  SetSliderPositions();
  if (m_values.keepAspect) SetCaptureSpinRanges();
  EnablePositionEdits(!m_values.autoCenter);
  PushValues();
  Refresh(true);
}

}  // namespace q9::adjust_dialog
