#include "preview/source_wnd.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "convert/source_media.h"
#include "platform/base/row_band_worker.h"
#include "preview/capture_geometry.h"
#include "preview/stretch_bitmap.h"
#include "preview/tool_window.h"

namespace q9::preview {
namespace {

const QString kTitle = QStringLiteral("Source : ");
constexpr int kBandRows = 32;

bool Contains(const adjust::Rect& r, QPoint p) {
  return p.x() >= r.left && p.x() <= r.right && p.y() >= r.top && p.y() <= r.bottom;
}

// value + step kept within low..high; typed values may lie anywhere.
int32_t Offset(int32_t value, int step, int64_t low, int64_t high) {
  return int32_t(std::clamp(int64_t(value) + step, low, high));
}

// An edge from an edge and a size, in the record's 32-bit arithmetic.
int32_t Plus(int32_t edge, int32_t size) {
  return int32_t(uint32_t(edge) + uint32_t(size));
}

}  // namespace

bool CSourceWnd::s_firstDragMove = false;

CSourceWnd::CSourceWnd(SourceWndOwner* owner) : m_owner(owner) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button change the cursor over the capture rectangle.
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

bool CSourceWnd::Create(QWidget* parent, const QRect& screenRect) {
  m_created = CreateToolWindow(*this, parent, screenRect, kTitle);
  return m_created;
}

float CSourceWnd::Scale() const {
  return m_media ? m_media->Zoom() * 0.5f : 0.5f;
}

bool CSourceWnd::CanTrack() const {
  return m_owner && parentWidget() && m_media && m_media->WorkingBitmap().HasData();
}

void CSourceWnd::SizeToFrame() {
  const platform::Bitmap& frame = m_media->WorkingBitmap();
  const float s = Scale();
  setFixedSize(int(float(frame.Width()) * s), int(float(frame.Height()) * s));
}

void CSourceWnd::SetSource(const QString& filePath, convert::SourceMedia* media) {
  m_media = media;
  if (m_media == nullptr || !m_media->WorkingBitmap().HasData()) return;
  SizeToFrame();
  setWindowTitle(kTitle + filePath.section(u'/', -1));
  PaintSource();
}

void CSourceWnd::FitSourceToZoom() {
  if (m_media == nullptr || !m_media->WorkingBitmap().HasData()) return;
  SizeToFrame();
  PaintSource();
}

void CSourceWnd::PaintSource() {
  if (m_media && m_created) update();
}

void CSourceWnd::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (m_media == nullptr || !m_media->WorkingBitmap().HasData()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  const QRect exposed = event->rect() & rect();
  if (StretchInPlace(painter, exposed)) {
    DrawCaptureRect(painter);
    return;
  }
  // Band by band: a band is stretched while it is in the cache and copied
  // to the window from there. A frame at zoom 4.0 fills millions of pixels.
  for (int top = exposed.top(); top <= exposed.bottom(); top += kBandRows) {
    const QRect band(exposed.left(), top, exposed.width(),
                     std::min(kBandRows, exposed.bottom() + 1 - top));
    StretchBitmap(m_media->WorkingBitmap(), size(), band, m_band);
    painter.drawImage(band.topLeft(), m_band);
  }
  DrawCaptureRect(painter);
}

bool CSourceWnd::StretchInPlace(QPainter& painter, const QRect& exposed) const {
  // A window's raster backing store is an image of opaque 32-bit pixels:
  // the frame is stretched straight into it, which saves copying every
  // pixel once more (millions of them at zoom 4.0) on each refresh.
  QPaintEngine* engine = painter.paintEngine();
  if (engine == nullptr || engine->type() != QPaintEngine::Raster) return false;
  QPaintDevice* device = engine->paintDevice();
  if (device == nullptr || device->devType() != QInternal::Image) return false;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format format = image->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied)
    return false;
  const QTransform& toDevice = painter.deviceTransform();
  if (image->devicePixelRatio() != 1.0 || toDevice.type() > QTransform::TxTranslate) return false;
  const QPoint offset(int(toDevice.dx()), int(toDevice.dy()));
  if (!image->rect().contains(rect().translated(offset))) return false;
  const QPoint corner = exposed.topLeft() + offset;
  uchar* first = image->scanLine(corner.y()) + size_t(corner.x()) * sizeof(uint32_t);
  const size_t bytesPerLine = size_t(image->bytesPerLine());
  // The helper thread stretches the lower half of a large area.
  platform::ForRowBands(
      exposed.height(), uint64_t(exposed.width()) * uint64_t(exposed.height()),
      [&](int top, int end) {
        StretchBitmap(m_media->WorkingBitmap(), size(),
                      QRect(exposed.left(), exposed.top() + top, exposed.width(), end - top),
                      first + size_t(top) * bytesPerLine, bytesPerLine);
      });
  return true;
}

void CSourceWnd::DrawCaptureRect(QPainter& painter) const {
  const adjust::Rect r = m_media ? m_media->CaptureRect : adjust::Rect{};
  const float factor = (m_media ? m_media->Zoom() : 1.0f) * 0.5f * m_scale;
  const int left = int(float(r.left) * factor), top = int(float(r.top) * factor);
  const int right = std::min(int(float(r.right) * factor), width());
  const int bottom = std::min(int(float(r.bottom) * factor), height());
  // A dotted outline that inverts what lies under it shows on any picture.
  // The 2-pixel pen runs just inside the rectangle's edges, so an outline
  // cut at the window's right or bottom edge still shows there.
  const int x0 = std::min(left, right), x1 = std::max(left, right);
  const int y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(Qt::white, 2, Qt::DotLine, Qt::FlatCap, Qt::MiterJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(x0 + 1, y0 + 1, std::max(x1 - x0 - 2, 0), std::max(y1 - y0 - 2, 0)));
  painter.restore();
}

QPoint CSourceWnd::FramePoint(const QPointF& client) const {
  const float s = Scale();
  return QPoint(int(float(client.x()) / s), int(float(client.y()) / s));
}

QPoint CSourceWnd::ClipToFrame(QPoint point) const {
  const platform::Bitmap& frame = m_media->WorkingBitmap();
  return QPoint(std::clamp(point.x(), 0, frame.Width() - 1),
                std::clamp(point.y(), 0, frame.Height() - 1));
}

void CSourceWnd::MoveCaptureTo(QPoint point) {
  adjust::Rect& r = m_media->CaptureRect;
  r.left = Offset(r.left, point.x() - m_anchor.x(), 0, INT32_MAX);
  r.top = Offset(r.top, point.y() - m_anchor.y(), 0, INT32_MAX);
}

void CSourceWnd::ConvertPercentOnce() {
  if (m_media->SizeMode != adjust::kSizePercent || !s_firstDragMove) return;
  const platform::Bitmap& frame = m_media->WorkingBitmap();
  m_media->Width = CaptureGeometry::PixelsOfPercent(m_media->Width, frame.Width());
  m_media->Height = CaptureGeometry::PixelsOfPercent(m_media->Height, frame.Height());
  s_firstDragMove = false;
}

void CSourceWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && CanTrack()) {
    s_firstDragMove = true;
    m_anchor = FramePoint(event->position());
    if (Contains(m_media->CaptureRect, m_anchor)) {
      m_isMoving = true;
      setCursor(Qt::SizeAllCursor);
    } else {
      m_isDrawing = true;
    }
  }
  QWidget::mousePressEvent(event);
}

void CSourceWnd::mouseMoveEvent(QMouseEvent* event) {
  if (CanTrack()) {
    const QPoint point = FramePoint(event->position());
    adjust::Rect& r = m_media->CaptureRect;
    if (m_isDrawing) {
      r = adjust::Rect{point.x(), point.y(), m_anchor.x(), m_anchor.y()};
      PaintSource();
    } else if (m_isMoving) {
      const QPoint clipped = ClipToFrame(point);
      MoveCaptureTo(clipped);
      ConvertPercentOnce();
      m_anchor = clipped;
      r.right = Plus(r.left, m_media->Width);
      r.bottom = Plus(r.top, m_media->Height);
      m_owner->AdjMsgReloadValues();
      PaintSource();
    } else if (Contains(r, point)) {
      setCursor(Qt::SizeAllCursor);
    } else {
      unsetCursor();
    }
  }
  QWidget::mouseMoveEvent(event);
}

void CSourceWnd::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && CanTrack() && (m_isDrawing || m_isMoving)) {
    const QPoint point = ClipToFrame(FramePoint(event->position()));
    const CaptureGeometry sizes = CaptureGeometry::Of(*m_media);
    adjust::Rect rect;
    if (m_isDrawing) {
      rect = {std::min(point.x(), m_anchor.x()), std::min(point.y(), m_anchor.y()),
              std::max(point.x(), m_anchor.x()), std::max(point.y(), m_anchor.y())};
    } else {
      MoveCaptureTo(point);
      ConvertPercentOnce();
      const adjust::Rect& moved = m_media->CaptureRect;
      rect = {moved.left, moved.top, Plus(moved.left, m_media->Width),
              Plus(moved.top, m_media->Height)};
    }
    if (m_media->KeepAspect) rect.bottom = sizes.AspectBottom(rect);
    FinishDrag(rect);
    m_isDrawing = false;
    m_isMoving = false;
  }
  QWidget::mouseReleaseEvent(event);
}

void CSourceWnd::FinishDrag(const adjust::Rect& rect) {
  const platform::Bitmap& frame = m_media->WorkingBitmap();
  m_media->SizeMode = adjust::kSizePixels;
  m_media->Width = rect.Width();
  m_media->Height = rect.Height();
  m_media->CaptureRect = rect;
  if (m_media->AutoCenter) {
    m_media->CenterCapture(frame.Width(), frame.Height());
  } else {
    m_media->XPos = rect.left;
    m_media->YPos = rect.top;
  }
  m_owner->AdjMsgSetHeightRange(1, 2 * frame.Height());
  m_owner->AdjMsgSetWidthRange(1, 2 * frame.Width());
  m_owner->AdjMsgReloadValues();
  m_owner->AdjMsgRefresh(true);
}

void CSourceWnd::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) &&
      CanTrack())
    StepWithKey(key, event->modifiers());
  QWidget::keyPressEvent(event);
}

void CSourceWnd::StepWithKey(int key, Qt::KeyboardModifiers modifiers) {
  m_owner->AdjMsgSyncControls();
  const int step = (modifiers & Qt::ControlModifier) ? 4 : 1;
  const int dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
  const int dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
  const platform::Bitmap& frame = m_media->WorkingBitmap();
  convert::SourceMedia& s = *m_media;
  if (modifiers & Qt::ShiftModifier) {
    s.Width = Offset(s.Width, dx, 0, frame.Width());
    s.Height = Offset(s.Height, dy, 0, frame.Height());
    if (s.KeepAspect) s.Height = CaptureGeometry::Of(s).HeightFollowing(s.Width, s.SizeMode);
  } else {
    s.XPos = Offset(s.XPos, dx, 0, frame.Width());
    s.YPos = Offset(s.YPos, dy, 0, frame.Height());
  }
  m_owner->AdjMsgReloadValues();
  m_owner->AdjMsgRefresh(false);
}

}  // namespace q9::preview
