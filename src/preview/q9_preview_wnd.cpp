#include "preview/q9_preview_wnd.h"

#include <QPainter>

#include "convert/source_media.h"
#include "preview/stretch_bitmap.h"
#include "preview/tool_window.h"

namespace q9::preview {
namespace {

const QString kTitle = QStringLiteral("Preview : ");

}  // namespace

CQ9PreviewWnd::CQ9PreviewWnd(PreviewOwner* owner) : m_owner(owner) {
  setAttribute(Qt::WA_DeleteOnClose);
  // Every pixel is painted: the picture, or the white label area.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

CQ9PreviewWnd::~CQ9PreviewWnd() {
  if (m_owner) m_owner->OnPreviewWindowDestroyed();
}

bool CQ9PreviewWnd::Create(QWidget* owner, const QRect& screenRect) {
  if (!CreateToolWindow(*this, owner, screenRect, kTitle)) return false;
  m_created = true;
  show();
  return true;
}

QSize CQ9PreviewWnd::ClientSizeFor(const convert::SourceMedia& media) {
  const float scale = media.Zoom() * 0.5f;
  return QSize(int(float(media.Geometry().columns) * scale),
               int(float(media.Geometry().rows) * scale));
}

void CQ9PreviewWnd::SizeToZoom() {
  setFixedSize(ClientSizeFor(*m_media));
}

void CQ9PreviewWnd::ShowSource(const QString& name, convert::SourceMedia* media) {
  if (media == nullptr) return;
  m_media = media;
  setWindowTitle(kTitle + name);
  SizeToZoom();
  RenderPreview(true);
  m_shown = true;
}

void CQ9PreviewWnd::FitToZoom() {
  if (m_media == nullptr) return;
  SizeToZoom();
  RenderPreview(true);
}

void CQ9PreviewWnd::RenderPreview(bool recompute) {
  if (m_media == nullptr || !m_created) return;
  if (recompute) m_media->RenderFrame();
  update();
}

void CQ9PreviewWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (m_media == nullptr) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  if (m_media->LabelShown()) {
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(rect().adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(m_media->LabelText()));
    return;
  }
  const platform::Bitmap picture =
      BitmapOfPackedDib(m_media->PreviewHeader(), m_media->PreviewBits());
  if (!picture.HasData()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  QImage canvas;
  StretchBitmap(picture, size(), rect(), canvas);
  painter.drawImage(0, 0, canvas);
}

}  // namespace q9::preview
