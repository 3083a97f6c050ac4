#pragma once
// The Adjust dialog: the modeless dialog in which the user edits the import
// settings of the source the main dialog previews: the capture rectangle
// (size, position, Size Mode, Keep Aspect, Drop Image, Constrain Rect, Auto
// Center) and eight colour sliders. It owns the source window, hosts the
// image command menus and the option dialogs, saves and loads named
// settings sets, and after every change asks its owner to render the
// preview anew.
//
// Values go one way at a time: reading the controls fills the dialog's
// values only; pushing the values shows them and first stores them in the
// attached record. Handlers read, change, push, refresh. Typed numbers are
// taken as typed. A private copy of the record, taken at each AttachSource,
// lets Cancel undo.
//
// The dialog deletes itself when it closes (by OK, Cancel or its close box),
// after telling its owner; the owner keeps a QPointer to it.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>

#include "adjust/import_settings.h"
#include "adjust_dialog/adjust_owner.h"
#include "adjust_dialog/adjust_values.h"
#include "gui/prompts.h"
#include "preview/capture_geometry.h"
#include "preview/source_wnd.h"
#include "preview/source_wnd_owner.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QSlider;

namespace q9::gui {
class UpDown;
}

namespace q9::adjust_dialog {

class ImageCommandMenus;

class CAdjustDlg : public QDialog, public preview::SourceWndOwner {
  Q_OBJECT

 public:
  // Command ids of the Options menu.
  static constexpr int kSaveAudioCommand = 32775;
  static constexpr int kStillImagesCommand = 32777;

  CAdjustDlg(AdjustOwner& owner, gui::Prompts& prompts, QWidget* parent = nullptr);
  ~CAdjustDlg() override;

  // Binds the dialog to the source the main dialog previews (again after
  // each change of file) and shows its values.
  void AttachSource(convert::SourceMedia* media);
  // The main dialog's two requests for the source window: resize it after a
  // zoom change, repaint it after a frame change.
  void FitSourceToZoom();
  void RepaintSourceWindow();
  // Closes the dialog as its OK button does: values kept, base settings
  // saved.
  void CloseWithOk();

  // The source window's messages.
  void AdjMsgSetHeightRange(int low, int high) override;
  void AdjMsgSetWidthRange(int low, int high) override;
  void AdjMsgSyncControls() override;
  void AdjMsgRefresh(bool push) override;
  void AdjMsgReloadValues() override;

  // "AutoSave" and "WAV_Path", and the named sets of the Image Settings menu.
  void SaveBaseSettings();
  void LoadBaseSettings();
  void SaveNamedSettings();
  void LoadNamedSettings();

  convert::SourceMedia* Source() const { return m_source; }
  preview::CSourceWnd* SourceWindow() const { return m_sourceWnd; }
  const AdjustValues& Values() const { return m_values; }
  bool AutoSave() const { return m_autoSave; }
  bool StillImagesSingle() const { return m_stillSingle; }
  const QString& StillImagesName() const { return m_stillName; }
  QMenuBar* MenuBar() const { return m_menuBar; }
  ImageCommandMenus& Commands() const { return *m_commands; }

 public slots:
  void accept() override;  // OK
  void reject() override;  // Cancel, and the Escape key

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FindControls();
  void ConnectControls();
  void BuildMenus();
  void UpdateMenuMarks();

  void ReadControls();
  void PushValues();
  void SetSliderPositions();
  void ReloadValues();
  void TakePosition();
  void SetCaptureSpinRanges();
  void EnablePositionEdits(bool on);
  void Refresh(bool repaintSource);
  bool HasFrame() const;
  preview::CaptureGeometry Geometry() const;

  void OnSliderScrolled(int index, int position);
  void OnSliderEditLeft(int index);
  void OnCaptureEditLeft(QLineEdit* edit);
  void OnSizeSpin(bool heightSpin);
  void OnPositionSpin();
  void OnKeepAspect();
  void OnAutoCenter();
  void OnDropImage();
  void OnConstrainRect();
  void OnSizeMode();
  void OnReset();
  void OnStillImages();
  void OnSaveAudio();
  void OnSourceWindowCommand();

  void CreateSourceWindow();
  void PlaceSourceWindow();
  void CloseDialog();

  AdjustOwner& m_owner;
  gui::Prompts& m_prompts;
  convert::SourceMedia* m_source = nullptr;
  adjust::ImportSettings m_cancelCopy;
  AdjustValues m_values;
  bool m_autoSave = false;
  bool m_stillSingle = false;
  QString m_stillName;
  bool m_ending = false;   // OK, Cancel or the close box is under way
  bool m_closing = false;  // the owner has been told
  bool m_shownOnce = false;
  QPointer<preview::CSourceWnd> m_sourceWnd;

  QMenuBar* m_menuBar = nullptr;
  ImageCommandMenus* m_commands = nullptr;
  QAction* m_autoSaveAction = nullptr;
  QAction* m_stillImagesAction = nullptr;
  QAction* m_saveAudioAction = nullptr;
  QAction* m_sourceWindowAction = nullptr;

  std::array<QLineEdit*, kSliderCount> m_sliderEdits{};
  std::array<QSlider*, kSliderCount> m_sliders{};
  QLineEdit* m_heightEdit = nullptr;
  QLineEdit* m_widthEdit = nullptr;
  QLineEdit* m_xPosEdit = nullptr;
  QLineEdit* m_yPosEdit = nullptr;
  gui::UpDown* m_heightSpin = nullptr;
  gui::UpDown* m_widthSpin = nullptr;
  gui::UpDown* m_xPosSpin = nullptr;
  gui::UpDown* m_yPosSpin = nullptr;
  QComboBox* m_sizeMode = nullptr;
  QCheckBox* m_keepAspect = nullptr;
  QCheckBox* m_dropImage = nullptr;
  QCheckBox* m_constrainRect = nullptr;
  QCheckBox* m_autoCenter = nullptr;
};

}  // namespace q9::adjust_dialog
