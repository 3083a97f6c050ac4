// The main dialog's companions: the source object, the preview window and
// the Adjust dialog follow the first marked file; the frame number with its
// spin, and the zoom buttons.

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "adjust_dialog/adjust_dlg.h"
#include "app/converter_dlg.h"
#include "convert/sign_folder.h"
#include "convert/source_media.h"
#include "convert/wait_cursor.h"
#include "gui/dialog_builder.h"
#include "gui/prompts.h"
#include "gui/up_down.h"
#include "preview/q9_preview_wnd.h"

namespace q9::app {
namespace {

using convert::MessageButtons;
using convert::MessageIcon;
using convert::SourceKind;

constexpr const char* kSelectFileToPreview = "Please select a file to preview";
constexpr const char* kFrameLabelOf = "&Frame: (of %d)";
constexpr const char* kFrameLabel = "&Frame:";
// Pixels between the destination Browse button and a preview below it.
constexpr int kBelowBrowse = 15;
// Where the main dialog goes when the Adjust dialog opens beside it, and how
// much further left than needed it moves to make room for a preview.
const QPoint kPlaceForAdjust(25, 50);
constexpr int kRoomMargin = 25;
// The step of the points tested along the progress bars.
constexpr int kBarProbeStep = 10;

// A companion counts while its window is open; a closed one only waits for
// its deferred deletion.
template <class T>
T* IfOpen(const QPointer<T>& window) {
  return window && !window->isHidden() ? window.data() : nullptr;
}

// Right and bottom edges exclusive, as the placement rules count them.
int RightOf(const QRect& r) {
  return r.x() + r.width();
}
int BottomOf(const QRect& r) {
  return r.y() + r.height();
}

}  // namespace

preview::CQ9PreviewWnd* CConverterDlg::PreviewWindow() const {
  return IfOpen(m_preview);
}

adjust_dialog::CAdjustDlg* CConverterDlg::AdjustDialog() const {
  return IfOpen(m_adjust);
}

QRect CConverterDlg::ScreenRectOf(int id) const {
  const QWidget* control = gui::FindControl(*this, id);
  return QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
}

// ---- The first marked file -----------------------------------------------------

void CConverterDlg::UpdateSelectionState() {
  if (m_isConverting) return;
  const bool anyMarked = m_list->MarkedCount() > 0;
  EnableRunButtons(anyMarked);
  if (!anyMarked) return;
  if (PreviewWindow()) PreviewFirstSelected();
  // Old sequences have nothing to adjust.
  const bool oldSequence = convert::SourceMedia::KindOfPath(
                               GetFirstSelectedPaths().toStdString()) == SourceKind::OldSequence;
  if (oldSequence) m_adjustButton->setEnabled(false);
  if (AdjustDialog()) {
    if (oldSequence) {
      delete m_adjust;
    } else {
      OnAdjust();
    }
  }
}

void CConverterDlg::PreviewFirstSelected() {
  m_frameNumber = 1;
  const QString path = GetFirstSelectedPaths();
  if (path.isEmpty()) {
    Ask(QString::fromLatin1(kSelectFileToPreview), QStringLiteral("Select File"),
        MessageButtons::Ok, MessageIcon::Exclamation);
    return;
  }
  OpenPreview(path);
  PutControls();
}

bool CConverterDlg::ReadDestinationSign(platform::SignGeometry& sign) {
  if (convert::ParseSignFolder(m_destDir.toStdString(), sign)) return true;
  DestroyCompanions();
  Ask(QString::fromLatin1(convert::kNoSignFolder), QStringLiteral("Error"), MessageButtons::Ok,
      MessageIcon::Exclamation);
  return false;
}

void CConverterDlg::DestroyCompanions() {
  delete PreviewWindow();
  delete AdjustDialog();
}

bool CConverterDlg::OpenPreview(const QString& path) {
  convert::WaitCursor wait;
  platform::SignGeometry sign;
  if (!ReadDestinationSign(sign)) return false;
  if (!PreviewWindow()) {
    // A closed preview still waiting for its deletion goes now, so that its
    // end cannot be taken for the new one's.
    delete m_preview;
    const QRect start = StartingPreviewRect(sign);
    m_preview = new preview::CQ9PreviewWnd(this);
    m_preview->Create(this, start);
  }
  Media().Open(path.toStdString(), sign.rows, sign.columns, sign.colorType);
  // The adjustments are applied anew to the frame just opened.
  m_source->AdjustChanged = 1;
  ShowSourceInPreview(path);
  return true;
}

QRect CConverterDlg::StartingPreviewRect(const platform::SignGeometry& sign) {
  const QSize size(int(sign.columns), int(sign.rows));
  if (AdjustDialog()) {
    // Under the destination Browse button, right-aligned with it.
    const QRect browse = ScreenRectOf(kIdBrowseDest);
    return QRect(QPoint(RightOf(browse) - size.width(), BottomOf(browse) + kBelowBrowse), size);
  }
  // Beside the dialog, which moves left when the screen has no room for it.
  const QRect screen = this->screen()->availableGeometry();
  QRect dialog = frameGeometry();
  const int room = RightOf(screen) - RightOf(dialog);
  if (room < size.width()) {
    move(dialog.x() - (size.width() - room) - kRoomMargin, dialog.y());
    dialog = frameGeometry();
  }
  return QRect(QPoint(RightOf(dialog) + 1, screen.y() + dialog.height() / 2), size);
}

void CConverterDlg::ShowSourceInPreview(const QString& path) {
  m_preview->ShowSource(
      QString::fromStdString(convert::SignFolderDisplayName(m_destDir.toStdString())),
      m_source.get());
  if (!PreviewWindow()) return;  // a sign without bulbs makes no window
  const int last = m_source->LastFrameNumber();
  // The spin counts in 16 bits; the label tells the whole number.
  m_frameSpin->SetRange(1, int(unsigned(last) & 0xFFFFu));
  const SourceKind kind = m_source->KindOf(path.toStdString());
  if (kind == SourceKind::Video || kind == SourceKind::OldSequence) {
    ShowControlGroup(ControlGroup::FrameControls, true, true);
    m_frameLabel->setText(QString::asprintf(kFrameLabelOf, last));
  } else {
    ShowControlGroup(ControlGroup::FrameControls, false, true);
    m_frameLabel->setText(QString::fromLatin1(kFrameLabel));
  }
  ShowControlGroup(ControlGroup::ZoomButtons, true, true);
}

// ---- The Adjust dialog ----------------------------------------------------------

void CConverterDlg::OnAdjust() {
  // A closed dialog whose deletion is still pending is let go now.
  if (m_adjust && !AdjustDialog()) delete m_adjust;
  if (!m_adjust) {
    m_adjust = new adjust_dialog::CAdjustDlg(*this, m_prompts, this);
    move(screen()->availableGeometry().topLeft() + kPlaceForAdjust);
    const QRect dialog = frameGeometry();
    m_adjust->move(RightOf(dialog) + 1, dialog.y());
    m_adjust->show();
  }
  if (preview::CQ9PreviewWnd* preview = PreviewWindow()) {
    preview->move(RightOf(frameGeometry()) - preview->frameGeometry().width(),
                  BottomOf(ScreenRectOf(kIdBrowseDest)) + kBelowBrowse);
    RefreshPreview();
  } else {
    PreviewFirstSelected();
  }
  if (adjust_dialog::CAdjustDlg* adjust = AdjustDialog()) adjust->AttachSource(m_source.get());
}

void CConverterDlg::OnAdjustDialogClosing() {
  if (m_closePreviewWithAdjust) delete PreviewWindow();
  m_closePreviewWithAdjust = true;
}

void CConverterDlg::OnPreviewWindowDestroyed() {
  ShowControlGroup(ControlGroup::FrameControls, false, false);
  ShowControlGroup(ControlGroup::ZoomButtons, false, false);
  m_preview = nullptr;
}

void CConverterDlg::RefreshPreview() {
  if (m_preview) m_preview->RenderPreview(true);
}

// ---- Frame and zoom ----------------------------------------------------------------

void CConverterDlg::OnFrameChanged() {
  if (!m_source) return;
  if (!TakeControls()) return;
  const unsigned last = unsigned(m_source->LastFrameNumber());
  if (m_frameNumber > last) m_frameNumber = last;
  m_source->GoToFrame(int(m_frameNumber));
  // The new frame gets the adjustments as the conversion gives them.
  m_source->AdjustChanged = 1;
  if (m_adjust) m_adjust->RepaintSourceWindow();
  RefreshPreview();
  PutControls();
}

void CConverterDlg::OnZoomIn() {
  if (!m_source) return;
  m_source->ZoomIn();
  FitCompanionsToZoom();
}

void CConverterDlg::OnZoomOut() {
  if (!m_source) return;
  m_source->ZoomOut();
  FitCompanionsToZoom();
}

void CConverterDlg::FitCompanionsToZoom() {
  if (m_preview) m_preview->FitToZoom();
  if (m_adjust) m_adjust->FitSourceToZoom();
}

// ---- A run -------------------------------------------------------------------------

void CConverterDlg::PrepareCompanionsForRun() {
  if (adjust_dialog::CAdjustDlg* adjust = AdjustDialog()) {
    m_closePreviewWithAdjust = false;
    adjust->CloseWithOk();
  }
  MovePreviewOffProgressBars();
}

void CConverterDlg::MovePreviewOffProgressBars() {
  preview::CQ9PreviewWnd* preview = PreviewWindow();
  if (!preview || !preview->isEnabled()) return;
  const QRect window = preview->frameGeometry();
  const QRect overall = ScreenRectOf(kIdOverallBar);
  const QRect file = ScreenRectOf(kIdFileBar);
  for (int offset = 0; offset < overall.width(); offset += kBarProbeStep) {
    if (window.contains(overall.x() + offset, overall.y() + overall.height() / 2) ||
        window.contains(file.x() + offset, file.y() + file.height() / 2)) {
      const QRect dialog = frameGeometry();
      preview->move(RightOf(dialog) + 1, dialog.y() + dialog.height() / 2);
      return;
    }
  }
}

}  // namespace q9::app
