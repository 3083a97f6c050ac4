#include "app/converter_dlg.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <algorithm>
#include <climits>
#include <utility>

#include "adjust_dialog/adjust_dlg.h"
#include "app/about_dlg.h"
#include "app/app_icons.h"
#include "app/overwrite_dlg.h"
#include "app/video_ext_dlg.h"
#include "convert/conversion_batch.h"
#include "convert/source_media.h"
#include "convert/wait_cursor.h"
#include "gui/dialog_builder.h"
#include "gui/event_pump.h"
#include "gui/prompts.h"
#include "gui/up_down.h"
#include "platform/registry/cq9_registry.h"
#include "preview/q9_preview_wnd.h"

namespace q9::app {
namespace {

using convert::MessageAnswer;
using convert::MessageButtons;
using convert::MessageIcon;
using gui::FindControl;

const QString kAppTitle = QString::fromLatin1(convert::kAppTitle);
constexpr const char* kMustHaveSignFolder =
    "Must have a valid sign folder.  Would you like to select one now?";
constexpr const char* kCreateDestination = "Destination directory\n%s\ndoes not exist. Create?";
constexpr const char* kConfirmConvert = "Convert %d files?";
constexpr const char* kNotAPositiveInteger = "Please enter a positive integer.";
constexpr const char* kAboutItem = "&About Q9100 Converter...";
constexpr const char* kVideoExtItem = "&Video Extensions...";
constexpr const char* kLibraryPickerTitle = "Select Q9100 Library";
constexpr int kCollapseDelayMs = 200;
// The 2 pixels the collapsed dialog ends above the bottom of the line over
// the progress area.
constexpr int kCollapseOverlap = 2;

// The open-file dialog's filters; the labels' padding is part of them.
const std::pair<const char*, const char*> kSourceFilters[] = {
    {"(All Valid Files)               ",
     "*.seq;*msg;*.avi;*.bmp;*.cmp;*.dib;*.eps;*.jpg;*.mac;*.pcd;*.pct;*.pcx;*.psd;*.tga;*.tif;"
     "*.wpg"},
    {"Q8100 Sequence (*.seq)", "*.seq"},
    {"Q8100 Message (*.msg) ", "*.msg"},
    {".AVI (Windows Audio Video)      ", "*.avi"},
    {".BMP (Bitmap Image)             ", "*.bmp"},
    {".CMP (Lead Compressed)          ", "*.cmp"},
    {".DIB (Device Independent Bitmap)", "*.dib"},
    {".EPS (Encapsulated PostScript) ", "*.eps"},
    {".JPG (JPEG)                     ", "*.jpg"},
    {".MAC (Macintosh)                ", "*.mac"},
    {".PCD (Photo CD)                 ", "*.pcd"},
    {".PCT (Macintosh Picture)       ", "*.pct"},
    {".PCX (Raster Graphic)           ", "*.pcx"},
    {".PSD (Photoshop)               ", "*.psd"},
    {".TGA (Targa)                    ", "*.tga"},
    {".WPG (Word Perfect Graphics)    ", "*.wpg"},
};

// Progress bars take any position and clamp it into their range; an empty
// range shows an empty bar (Qt would animate a "busy" bar instead).
void SetBarRange(QProgressBar& bar, int low, int high) {
  bar.setRange(low, std::max(high, low + 1));
}
void SetBarPosition(QProgressBar& bar, long long position) {
  bar.setValue(int(std::clamp<long long>(position, bar.minimum(), bar.maximum())));
}

}  // namespace

CConverterDlg::CConverterDlg(gui::Prompts& prompts, const QString& sourceDirectory,
                             const QString& destinationDirectory, QWidget* parent)
    : QDialog(parent), m_prompts(prompts) {
  setWindowTitle(kAppTitle);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  BuildControls();
  ConnectCommands();

  ShowControlGroup(ControlGroup::FrameControls, false, false);
  ShowControlGroup(ControlGroup::ZoomButtons, false, false);
  PutControls();
  setWindowIcon(AppIcon());

  LoadFolderSettings();
  LoadVideoExtensions();
  if (!sourceDirectory.isEmpty()) m_sourceDir = sourceDirectory;
  if (!destinationDirectory.isEmpty()) m_destDir = destinationDirectory;
  m_sourceEdit->setText(m_sourceDir);
  m_destEdit->setText(m_destDir);

  m_list->InitFileListColumns();
  FillFileList();

  m_fullHeight = height();
  SetProgressAreaVisible(false);
}

CConverterDlg::~CConverterDlg() {
  // The preview reports its end to this dialog, which must still be whole;
  // the Adjust dialog goes without saving or reporting anything.
  delete m_preview;
  m_source.reset();
  delete m_adjust;
}

void CConverterDlg::BuildControls() {
  gui::DialogBuilder::Build(*this, ConverterDlgTemplate(), kConverterDlgWidth, kConverterDlgHeight);
  m_sourceEdit = FindControl<QLineEdit>(*this, kIdSourceDir);
  m_destEdit = FindControl<QLineEdit>(*this, kIdDestDir);
  m_frameEdit = FindControl<QLineEdit>(*this, kIdFrameEdit);
  m_frameSpin = FindControl<gui::UpDown>(*this, kIdFrameSpin);
  m_frameLabel = FindControl<QLabel>(*this, kIdFrameLabel);
  m_listControl = FindControl<QTreeWidget>(*this, kIdFileList);
  m_convertButton = FindControl<QPushButton>(*this, kIdConvert);
  m_previewButton = FindControl<QPushButton>(*this, kIdPreview);
  m_adjustButton = FindControl<QPushButton>(*this, kIdAdjust);
  m_overallBar = FindControl<QProgressBar>(*this, kIdOverallBar);
  m_fileBar = FindControl<QProgressBar>(*this, kIdFileBar);
  m_statusLine = FindControl<QLabel>(*this, kIdStatusLine);
  m_convertingPath = FindControl<QLabel>(*this, kIdConvertingPath);
  m_list = std::make_unique<SourceFileList>(*m_listControl);

  // Paths and status texts are shown as they are: no markup, no mnemonic.
  for (QLabel* line : {m_statusLine, m_convertingPath}) {
    line->setTextFormat(Qt::PlainText);
    line->setBuddy(nullptr);
  }
  // Marks stay visible when the list has no focus.
  QPalette palette = m_listControl->palette();
  palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                   palette.brush(QPalette::Active, QPalette::Highlight));
  palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                   palette.brush(QPalette::Active, QPalette::HighlightedText));
  m_listControl->setPalette(palette);

  const std::pair<int, bool> zoomButtons[] = {{kIdZoomIn, true}, {kIdZoomOut, false}};
  for (const auto& [id, zoomIn] : zoomButtons) {
    auto* button = FindControl<QPushButton>(*this, id);
    button->setIcon(ZoomIcon(zoomIn));
    button->setIconSize(QSize(button->height() - 6, button->height() - 6));
    button->setAccessibleName(zoomIn ? QStringLiteral("Zoom in") : QStringLiteral("Zoom out"));
  }
}

void CConverterDlg::ConnectCommands() {
  const std::pair<int, void (CConverterDlg::*)()> commands[] = {
      {kIdConvert, &CConverterDlg::OnConvert},
      {kIdBrowseSource, &CConverterDlg::OnBrowseSource},
      {kIdBrowseDest, &CConverterDlg::OnBrowseDestination},
      {kIdSelectAll, &CConverterDlg::OnSelectAll},
      {kIdSelectNone, &CConverterDlg::OnSelectNone},
      {kIdSelectInvert, &CConverterDlg::OnSelectInvert},
      {kIdPreview, &CConverterDlg::PreviewFirstSelected},
      {kIdAdjust, &CConverterDlg::OnAdjust},
      {kIdZoomIn, &CConverterDlg::OnZoomIn},
      {kIdZoomOut, &CConverterDlg::OnZoomOut},
      {kIdCancelRun, &CConverterDlg::OnCancelRun},
      {kIdClose, &CConverterDlg::OnClose},
  };
  for (const auto& [id, command] : commands)
    connect(FindControl<QPushButton>(*this, id), &QPushButton::clicked, this, command);
  // The frame number changes by typing or by the spin; the dialog's own
  // writes into the field are no change of the user's.
  connect(m_frameEdit, &QLineEdit::textEdited, this, &CConverterDlg::OnFrameChanged);
  connect(m_frameSpin, &gui::UpDown::Scrolled, this, &CConverterDlg::OnFrameChanged);

  // A click in the list and leaving the source field bring the buttons up
  // to date; keys that move the marks do not.
  m_listControl->viewport()->installEventFilter(this);
  m_sourceEdit->installEventFilter(this);
  connect(m_listControl->header(), &QHeaderView::sectionClicked, this,
          &CConverterDlg::SortFileList);

  m_contextMenu = new QMenu(this);
  m_contextMenu->addAction(QString::fromLatin1(kAboutItem), this, &CConverterDlg::OnAbout);
  m_videoExtAction = m_contextMenu->addAction(QString::fromLatin1(kVideoExtItem), this,
                                              &CConverterDlg::OnVideoExtensions);
  connect(new QShortcut(Qt::Key_F1, this), &QShortcut::activated, this, &CConverterDlg::OnAbout);

  m_collapseTimer.setSingleShot(true);
  m_collapseTimer.setInterval(kCollapseDelayMs);
  connect(&m_collapseTimer, &QTimer::timeout, this, &CConverterDlg::OnTimer);
}

// ---- Settings and fields ----------------------------------------------------

bool CConverterDlg::LoadFolderSettings() {
  platform::CQ9Registry registry;
  if (!registry.OpenUserRegistryKey(kSettingsApplication, kSettingsSection)) return false;
  std::string destination, source;
  if (registry.GetRegistryString(kDestinationValue, destination))
    m_destDir = QString::fromStdString(destination);
  if (registry.GetRegistryString(kSourceValue, source))
    m_sourceDir = QString::fromStdString(source);
  return true;
}

bool CConverterDlg::SaveFolderSettings() {
  platform::CQ9Registry registry;
  if (!registry.CreateUserRegistryKey(kSettingsApplication, kSettingsSection)) return false;
  registry.SetRegistryString(kDestinationValue, m_destDir.toStdString());
  registry.SetRegistryString(kSourceValue, m_sourceDir.toStdString());
  return true;
}

void CConverterDlg::LoadVideoExtensions() {
  platform::CQ9Registry registry;
  std::string stored;
  if (!registry.OpenUserRegistryKey(kSettingsApplication, kSettingsSection) ||
      !registry.GetRegistryString(kVideoExtValue, stored))
    return;
  platform::Result<convert::VideoExtensions> parsed = convert::VideoExtensions::Parse(stored);
  m_videoExtensions = parsed ? std::move(*parsed) : convert::VideoExtensions();
}

void CConverterDlg::SaveVideoExtensions() {
  platform::CQ9Registry registry;
  if (registry.CreateUserRegistryKey(kSettingsApplication, kSettingsSection))
    registry.SetRegistryString(kVideoExtValue, m_videoExtensions.Text());
}

convert::SourceMedia& CConverterDlg::Media() {
  if (!m_source) m_source = std::make_unique<convert::SourceMedia>(this);
  // The list may have changed since the last file was opened.
  m_source->SetVideoExtensions(m_videoExtensions);
  return *m_source;
}

bool CConverterDlg::TakeControls() {
  m_sourceDir = m_sourceEdit->text();
  m_destDir = m_destEdit->text();
  bool isNumber = false;
  const unsigned frame = m_frameEdit->text().trimmed().toUInt(&isNumber);
  if (!isNumber) {
    Ask(QString::fromLatin1(kNotAPositiveInteger), kAppTitle, MessageButtons::Ok,
        MessageIcon::Exclamation);
    m_frameEdit->setFocus();
    return false;
  }
  m_frameNumber = frame;
  return true;
}

void CConverterDlg::PutControls() {
  m_sourceEdit->setText(m_sourceDir);
  m_destEdit->setText(m_destDir);
  m_frameEdit->setText(QString::number(m_frameNumber));
}

// ---- Control groups and the progress area ------------------------------------

void CConverterDlg::ShowControlGroup(ControlGroup group, bool enable, bool show) {
  for (int id : ControlsOf(group)) {
    QWidget* control = FindControl(*this, id);
    control->setEnabled(enable);
    control->setVisible(show);
  }
}

void CConverterDlg::SetProgressAreaVisible(bool visible) {
  if (visible) {
    setFixedHeight(m_fullHeight);
  } else {
    const QRect rule = FindControl(*this, kIdProgressRule)->geometry();
    setFixedHeight(rule.y() + rule.height() - kCollapseOverlap);
  }
  ShowControlGroup(ControlGroup::ProgressControls, visible, true);
}

void CConverterDlg::OnTimer() {
  SetProgressAreaVisible(false);
}

void CConverterDlg::EnableRunButtons(bool enable) {
  for (QPushButton* button : {m_adjustButton, m_previewButton, m_convertButton})
    button->setEnabled(enable);
}

// ---- Directories --------------------------------------------------------------

void CConverterDlg::OnBrowseSource() {
  // A bare drive or root gets a folder name to start from.
  if (m_sourceDir.size() < 4) m_sourceDir += QStringLiteral("Q8100");
  gui::OpenFileRequest request;
  request.title = QStringLiteral("Open");
  request.initialFile = m_sourceDir;
  request.defaultSuffix = QStringLiteral("seq");
  for (const auto& [label, patterns] : kSourceFilters)
    request.filters.emplace_back(QString::fromLatin1(label), QString::fromLatin1(patterns));
  const std::optional<QString> file = m_prompts.OpenFile(this, request);
  if (!file) return;
  m_sourceDir = file->left(file->lastIndexOf(u'/'));
  m_sourceEdit->setText(m_sourceDir);
  FillFileList();
  m_listControl->setFocus();
  UpdateSelectionState();
}

void CConverterDlg::OnBrowseDestination() {
  const std::optional<QString> folder =
      m_prompts.PickFolder(this, QString::fromLatin1(kLibraryPickerTitle), m_destDir);
  if (folder) {
    m_destDir = *folder;
    m_destEdit->setText(m_destDir);
  }
  // A new sign starts the source's settings afresh, also when the picker
  // was cancelled.
  m_listControl->setFocus();
  if (m_source) m_source->RestoreDefaults();
  if (PreviewWindow()) PreviewFirstSelected();
  if (AdjustDialog()) OnAdjust();
  PutControls();
}

// ---- The source list ------------------------------------------------------------

void CConverterDlg::FillFileList() {
  m_list->FillFileList(m_sourceDir, m_videoExtensions);
}

void CConverterDlg::SortFileList(int column) {
  m_list->SortFileList(column);
}

void CConverterDlg::OnSelectAll() {
  m_listControl->setFocus();
  m_list->SelectAll();
  m_listControl->setFocus();
  UpdateSelectionState();
}

void CConverterDlg::OnSelectNone() {
  m_list->SelectNone();
  m_listControl->setFocus();
  m_adjustButton->setEnabled(false);
  m_previewButton->setEnabled(false);
}

void CConverterDlg::OnSelectInvert() {
  m_listControl->setFocus();
  m_list->SelectInvert();
  const bool anyMarked = m_list->MarkedCount() > 0;
  m_adjustButton->setEnabled(anyMarked);
  m_previewButton->setEnabled(anyMarked);
}

QString CConverterDlg::GetFirstSelectedPaths() const {
  const QStringList names = m_list->MarkedNames();
  return names.isEmpty() ? QString() : m_sourceDir + u'/' + names.first();
}

// ---- The run ----------------------------------------------------------------------

int CConverterDlg::SetStillImagesOptions(bool on, const char* name) {
  m_stillImages = on;
  if (name) m_stillName = name;
  return 1;
}

void CConverterDlg::OnConvert() {
  if (m_isConverting) return;
  TakeControls();
  if (m_destDir.isEmpty() &&
      Ask(QString::fromLatin1(kMustHaveSignFolder), kAppTitle, MessageButtons::YesNo,
          MessageIcon::Exclamation) == MessageAnswer::Yes)
    OnBrowseDestination();

  platform::SignGeometry sign;
  if (!ReadDestinationSign(sign)) return;
  SetBarPosition(*m_fileBar, 0);
  SetBarPosition(*m_overallBar, 0);

  TakeControls();
  if (!QFileInfo::exists(m_destDir)) {
    const QString question = QString::asprintf(kCreateDestination, m_destDir.toUtf8().constData());
    if (Ask(question, kAppTitle, MessageButtons::OkCancel, MessageIcon::None) != MessageAnswer::Ok)
      return;
    // That one folder; a missing parent shows when the first file fails.
    QDir().mkdir(m_destDir);
  }

  convert::WaitCursor wait;
  // The run counts the files' progress units as it starts.
  const QStringList names = m_list->MarkedNames();
  if (!PreviewWindow()) PreviewFirstSelected();
  const QString confirm = QString::asprintf(kConfirmConvert, int(names.size()));
  if (Ask(confirm, kAppTitle, MessageButtons::OkCancel, MessageIcon::Question) != MessageAnswer::Ok)
    return;

  m_isConverting = true;
  m_collapseTimer.stop();  // a collapse still due from the last run
  SetProgressAreaVisible(true);
  PrepareCompanionsForRun();
  const bool frameControlsWereEnabled = m_frameEdit->isEnabled();
  if (frameControlsWereEnabled) ShowControlGroup(ControlGroup::FrameControls, false, true);
  ShowControlGroup(ControlGroup::SelectionButtons, false, true);
  ShowControlGroup(ControlGroup::DirectoryControls, false, true);
  Media().cancelRequested = false;
  m_videoExtAction->setEnabled(false);
  EnableRunButtons(false);

  RunBatch(names, sign);

  // A dialog that closes when the run has stopped opens no preview.
  if (!m_closeWhenStopped) PreviewFirstSelected();
  if (frameControlsWereEnabled) ShowControlGroup(ControlGroup::FrameControls, true, true);
  ShowControlGroup(ControlGroup::SelectionButtons, true, true);
  ShowControlGroup(ControlGroup::DirectoryControls, true, true);
  EnableRunButtons(true);
  m_videoExtAction->setEnabled(true);
  m_isConverting = false;
  m_collapseTimer.start();
  if (m_closeWhenStopped) done(*std::exchange(m_closeWhenStopped, std::nullopt));
}

void CConverterDlg::RunBatch(const QStringList& names, const platform::SignGeometry& sign) {
  std::vector<std::string> marked;
  for (const QString& name : names) marked.push_back(name.toStdString());
  convert::ConversionBatch batch(*m_source, *this);
  batch.SetSourceDirectory(m_sourceDir.toStdString());
  batch.SetDestinationDirectory(m_destDir.toStdString());
  batch.SetMarkedNames(std::move(marked));
  batch.SetGeometry(sign);
  // No to overwriting the shared still sequence keeps that file as it is.
  convert::BatchPolicy policy = convert::BatchPolicy::Dialog();
  policy.keepSkippedStillSequence = true;
  batch.SetPolicy(policy);
  batch.SetStillImagesOptions(m_stillImages, m_stillName.c_str());
  batch.Run();
  m_stillName = batch.StillSequenceName();
  m_listControl->setFocus();
}

void CConverterDlg::OnCancelRun() {
  if (m_source) m_source->cancelRequested = true;
}

// ---- The engine's host ----------------------------------------------------------

void CConverterDlg::SetOverallProgressRange(unsigned total) {
  SetBarRange(*m_overallBar, 0, int(std::min<unsigned>(total, INT_MAX)));
  m_overallCounter = 0;
}

void CConverterDlg::ShowConvertingPath(const std::string& path) {
  m_convertingPath->setText(QString::fromStdString(path));
}

void CConverterDlg::SetFileProgressRange(int low, int high) {
  SetBarRange(*m_fileBar, low, high);
}

void CConverterDlg::StepProgress(int, unsigned position) {
  SetBarPosition(*m_fileBar, position);
  SetBarPosition(*m_overallBar, m_overallCounter);
  ++m_overallCounter;
  gui::PumpPendingEvents();
}

void CConverterDlg::ShowStatusText(const std::string& text) {
  m_statusLine->setText(QString::fromStdString(text));
  gui::PumpPendingEvents();
}

void CConverterDlg::PumpEvents() {
  // Only while a run has the controls disabled: a preview opening outside
  // a run must not let another selection open a file inside this one.
  if (m_isConverting) gui::PumpPendingEvents();
}

MessageAnswer CConverterDlg::ShowMessage(const std::string& text, const std::string& caption,
                                         MessageButtons buttons, MessageIcon icon) {
  return Ask(QString::fromStdString(text), QString::fromStdString(caption), buttons, icon);
}

convert::OverwriteAnswer CConverterDlg::AskOverwrite(const std::string& message) {
  COverwriteDlg dialog(QString::fromStdString(message), this);
  const bool yes = m_prompts.RunModal(dialog) == QDialog::Accepted;
  return {yes, dialog.ApplyToAll()};
}

MessageAnswer CConverterDlg::Ask(const QString& text, const QString& caption,
                                 MessageButtons buttons, MessageIcon icon) {
  return m_prompts.Message(this, text, caption, buttons, icon);
}

// ---- Closing, the About box, the video extensions, events ------------------------

void CConverterDlg::OnClose() {
  if (TakeControls()) done(QDialog::Accepted);
}

void CConverterDlg::done(int result) {
  if (m_isConverting) {
    m_closeWhenStopped = result;
    OnCancelRun();
    return;
  }
  QDialog::done(result);
  SaveFolderSettings();
}

void CConverterDlg::OnAbout() {
  CAboutDlg about(this);
  m_prompts.RunModal(about);
}

void CConverterDlg::OnVideoExtensions() {
  if (m_isConverting) return;
  CVideoExtDlg dialog(m_prompts, m_videoExtensions, this);
  if (m_prompts.RunModal(dialog) != QDialog::Accepted ||
      dialog.Extensions().Text() == m_videoExtensions.Text())
    return;
  m_videoExtensions = dialog.Extensions();
  SaveVideoExtensions();
  FillFileList();
  m_listControl->setFocus();
  UpdateSelectionState();
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
  m_contextMenu->popup(event->globalPos());
}

bool CConverterDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_sourceEdit && event->type() == QEvent::FocusOut) {
    UpdateSelectionState();
  } else if (watched == m_listControl->viewport() && event->type() == QEvent::MouseButtonRelease &&
             !m_inListClick) {
    // The list takes the click first (a release may change the marks), then
    // the buttons follow.
    m_inListClick = true;
    QCoreApplication::sendEvent(watched, event);
    m_inListClick = false;
    UpdateSelectionState();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace q9::app
