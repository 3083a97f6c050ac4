#pragma once
// The program's main dialog, "Q9100 Converter": the source directory and
// its list of files to mark, the destination (a library folder of one sign),
// Convert, and a progress area below that grows while a run converts. It is
// the conversion engine's host: the run's progress, status texts and every
// message box reach the user through it, and each progress call lets
// pending events through, so that Cancel, the list and window moves work
// while a file converts.
//
// It keeps its companions in step with the first marked file: the source
// object, the preview window and the modeless Adjust dialog, with the frame
// number, its spin and the two zoom buttons (converter_dlg_preview.cpp).
// Both windows delete themselves when they are closed; a closed one whose
// deletion is still pending counts as gone.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "adjust_dialog/adjust_owner.h"
#include "app/converter_dlg_template.h"
#include "app/source_file_list.h"
#include "convert/conversion_host.h"
#include "convert/video_extensions.h"
#include "platform/signlib/sign_types.h"
#include "preview/preview_owner.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace q9::convert {
class SourceMedia;
}
namespace q9::gui {
class Prompts;
class UpDown;
}  // namespace q9::gui
namespace q9::preview {
class CQ9PreviewWnd;
}
namespace q9::adjust_dialog {
class CAdjustDlg;
}

namespace q9::app {

// Where the two directories and the added video extensions are kept
// between runs of the program.
inline constexpr const char* kSettingsApplication = "Q9Convrt";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kDestinationValue = "Dest_Server";
inline constexpr const char* kSourceValue = "Source_Dir";
inline constexpr const char* kVideoExtValue = "Video_Ext";

class CConverterDlg : public QDialog,
                      public convert::ConversionHost,
                      public adjust_dialog::AdjustOwner,
                      public preview::PreviewOwner {
  Q_OBJECT

 public:
  // A directory given on the command line takes the place of the stored one
  // in its field; an empty one leaves the stored one.
  explicit CConverterDlg(gui::Prompts& prompts, const QString& sourceDirectory = {},
                         const QString& destinationDirectory = {}, QWidget* parent = nullptr);
  ~CConverterDlg() override;

  // ---- Commands ---------------------------------------------------------
  void OnConvert();
  void OnCancelRun();
  void OnBrowseSource();
  void OnBrowseDestination();
  void OnSelectAll();
  void OnSelectNone();
  void OnSelectInvert();
  void OnAbout();
  // The "Video Extensions" dialog; a changed list is stored and the source
  // list filled again with it. Nothing while a run converts.
  void OnVideoExtensions();
  // Close: takes the fields, then ends the dialog.
  void OnClose();
  void OnAdjust();
  // The frame number was typed or stepped by the spin.
  void OnFrameChanged();
  void OnZoomIn();
  void OnZoomOut();

  // ---- What the companions and the run use ------------------------------
  // The still-images switch and, when given, the shared sequence's name.
  // Returns 1.
  int SetStillImagesOptions(bool on, const char* name) override;
  void OnAdjustDialogClosing() override;
  void OnPreviewWindowDestroyed() override;
  void ShowControlGroup(ControlGroup group, bool enable, bool show);
  // true: the recorded full height; false: cut off just above the bottom
  // of the line over the progress area.
  void SetProgressAreaVisible(bool visible);
  // Source directory + "/" + the name of the topmost marked row; empty
  // when no row is marked.
  QString GetFirstSelectedPaths() const;
  // The buttons and the companions follow the marks (nothing while a run
  // converts).
  void UpdateSelectionState();
  void PreviewFirstSelected();
  void FillFileList();
  void SortFileList(int column);

  bool IsConverting() const { return m_isConverting; }
  int FullHeight() const { return m_fullHeight; }
  convert::SourceMedia* Source() const { return m_source.get(); }
  // The companions while their windows are open; null otherwise.
  preview::CQ9PreviewWnd* PreviewWindow() const;
  adjust_dialog::CAdjustDlg* AdjustDialog() const;

  // ---- ConversionHost ---------------------------------------------------
  void SetOverallProgressRange(unsigned total) override;
  void ShowConvertingPath(const std::string& path) override;
  void SetFileProgressRange(int low, int high) override;
  void StepProgress(int fileIndex, unsigned position) override;
  void ShowStatusText(const std::string& text) override;
  void RefreshPreview() override;
  convert::MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                     convert::MessageButtons buttons,
                                     convert::MessageIcon icon) override;
  convert::OverwriteAnswer AskOverwrite(const std::string& message) override;
  void PumpEvents() override;

 public slots:
  // Closing while a run converts cancels the run first and ends the dialog
  // once it has stopped.
  void done(int result) override;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ConnectCommands();
  bool LoadFolderSettings();
  bool SaveFolderSettings();
  // The stored extensions; a stored list the converter no longer takes
  // counts as none.
  void LoadVideoExtensions();
  void SaveVideoExtensions();
  // The source object, made on first need, with the added video extensions
  // as they are now.
  convert::SourceMedia& Media();
  // The fields into the members; false (after the refusal's message) when
  // the frame number is not an unsigned number, which then keeps its value.
  bool TakeControls();
  // The members into the fields.
  void PutControls();
  // The destination's sign; a destination without one closes the preview
  // and the Adjust dialog and says so.
  bool ReadDestinationSign(platform::SignGeometry& sign);
  // Opens the file in the source object and shows it in the preview window,
  // made on first need; false when the destination names no sign.
  bool OpenPreview(const QString& path);
  convert::MessageAnswer Ask(const QString& text, const QString& caption,
                             convert::MessageButtons buttons, convert::MessageIcon icon);
  void EnableRunButtons(bool enable);
  // The run between the confirmation and the restored controls.
  void RunBatch(const QStringList& names, const platform::SignGeometry& sign);
  void OnTimer();

  // ---- The companions (converter_dlg_preview.cpp) ------------------------
  // Closes both windows at once: nothing of the Adjust dialog is kept and it
  // does not report its closing.
  void DestroyCompanions();
  // Where a new preview window opens for a sign of that many bulbs.
  QRect StartingPreviewRect(const platform::SignGeometry& sign);
  // The opened source in the preview window, with the frame controls and
  // the zoom buttons.
  void ShowSourceInPreview(const QString& path);
  void FitCompanionsToZoom();
  // A run starts: the Adjust dialog closes as by OK, the preview stays and
  // moves off the progress bars.
  void PrepareCompanionsForRun();
  void MovePreviewOffProgressBars();
  // The screen rectangle of a control, right and bottom edges exclusive.
  QRect ScreenRectOf(int id) const;

  gui::Prompts& m_prompts;

  // The fields as the members hold them (taken at Convert, Browse and Close).
  QString m_sourceDir;
  QString m_destDir;
  unsigned m_frameNumber = 1;

  // Run state.
  bool m_isConverting = false;
  unsigned m_overallCounter = 0;
  bool m_stillImages = false;
  std::string m_stillName;
  std::optional<int> m_closeWhenStopped;  // the result Close asked for during a run
  // Listed and converted as videos besides the converter's own extensions.
  convert::VideoExtensions m_videoExtensions;

  bool m_inListClick = false;  // the list is handling a click the dialog passed on
  int m_fullHeight = 0;
  std::unique_ptr<convert::SourceMedia> m_source;
  QPointer<preview::CQ9PreviewWnd> m_preview;
  QPointer<adjust_dialog::CAdjustDlg> m_adjust;
  // Closing the Adjust dialog closes the preview too, except once for a run.
  bool m_closePreviewWithAdjust = true;
  QTimer m_collapseTimer;
  QMenu* m_contextMenu = nullptr;
  QAction* m_videoExtAction = nullptr;

  // Controls.
  QLineEdit* m_sourceEdit = nullptr;
  QLineEdit* m_destEdit = nullptr;
  QLineEdit* m_frameEdit = nullptr;
  gui::UpDown* m_frameSpin = nullptr;
  QLabel* m_frameLabel = nullptr;
  QTreeWidget* m_listControl = nullptr;
  QPushButton* m_convertButton = nullptr;
  QPushButton* m_previewButton = nullptr;
  QPushButton* m_adjustButton = nullptr;
  QProgressBar* m_overallBar = nullptr;
  QProgressBar* m_fileBar = nullptr;
  QLabel* m_statusLine = nullptr;
  QLabel* m_convertingPath = nullptr;
  std::unique_ptr<SourceFileList> m_list;
};

}  // namespace q9::app
