#pragma once
// The program's main dialog, "Q9100 Converter": the source directory and
// its list of files to mark, the destination (a library folder of one sign),
// Convert, and a progress area below that grows while a run converts. It is
// the conversion engine's host: the run's progress, status texts and every
// message box reach the user through it, and each progress call lets
// pending events through, so that Cancel, the list and window moves work
// while a file converts.

#include <QDialog>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "app/converter_dlg_template.h"
#include "app/source_file_list.h"
#include "convert/conversion_host.h"
#include "platform/signlib/sign_types.h"

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
}

namespace q9::app {

// Where the two directories are kept between runs of the program.
inline constexpr const char* kSettingsApplication = "Q9Convrt";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kDestinationValue = "Dest_Server";
inline constexpr const char* kSourceValue = "Source_Dir";

class CConverterDlg : public QDialog, public convert::ConversionHost {
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
  // Close: takes the fields, then ends the dialog.
  void OnClose();

  // ---- What the companions and the run use ------------------------------
  // The still-images switch and, when given, the shared sequence's name.
  // Returns 1.
  int SetStillImagesOptions(bool on, const char* name);
  void ShowControlGroup(ControlGroup group, bool enable, bool show);
  // true: the recorded full height; false: cut off just above the bottom
  // of the line over the progress area.
  void SetProgressAreaVisible(bool visible);
  // Source directory + "/" + the name of the topmost marked row; empty
  // when no row is marked.
  QString GetFirstSelectedPaths() const;
  // The buttons follow the marks (nothing while a run converts).
  void UpdateSelectionState();
  void PreviewFirstSelected();
  void FillFileList();
  void SortFileList(int column);

  bool IsConverting() const { return m_isConverting; }
  int FullHeight() const { return m_fullHeight; }

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
  // The fields into the members; false (after the refusal's message) when
  // the frame number is not an unsigned number, which then keeps its value.
  bool TakeControls();
  // The members into the fields.
  void PutControls();
  // The destination's sign; a destination without one closes the preview
  // and the Adjust dialog and says so.
  bool ReadDestinationSign(platform::SignGeometry& sign);
  bool OpenPreview(const QString& path);
  convert::MessageAnswer Ask(const QString& text, const QString& caption,
                             convert::MessageButtons buttons, convert::MessageIcon icon);
  void EnableRunButtons(bool enable);
  // The run between the confirmation and the restored controls.
  void RunBatch(const QStringList& names, const platform::SignGeometry& sign);
  void OnTimer();

  // ---- Where the preview window and the Adjust dialog take part ---------
  // This dialog opens neither yet; each of these is the one place that
  // will reach them.
  // A destination without a sign closes both.
  void CloseCompanions();
  // A click in the list: the preview follows the first marked file, and the
  // Adjust dialog closes for an old sequence or follows it otherwise.
  void FollowFirstMarked(bool oldSequence);
  // After the destination Browse: the preview and the Adjust dialog show
  // the source again.
  void RefreshCompanions();
  // A run starts: the Adjust dialog closes, the preview stays and moves off
  // the progress bars.
  void PrepareCompanionsForRun();
  // The opened source in the preview window, with the frame controls and
  // the zoom buttons.
  void ShowSourceInPreview();

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

  bool m_inListClick = false;  // the list is handling a click the dialog passed on
  int m_fullHeight = 0;
  std::unique_ptr<convert::SourceMedia> m_source;
  QTimer m_collapseTimer;
  QMenu* m_contextMenu = nullptr;

  // Controls.
  QLineEdit* m_sourceEdit = nullptr;
  QLineEdit* m_destEdit = nullptr;
  QLineEdit* m_frameEdit = nullptr;
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
