#pragma once
// The source window of the Adjust dialog: the current frame of the source
// (with its four colour adjustments) at the preview's zoom, and the capture
// rectangle outlined on it. The user moves the rectangle by dragging inside
// it, draws a new one by dragging outside it, moves it with the arrow keys
// and resizes it with Shift and the arrow keys (Ctrl makes steps of 4).
// Every change goes into the source's record and is reported to the owner
// through its five messages, which update the dialog and the preview.
//
// The capture rectangle is kept in frame pixels; a mouse point becomes a
// frame point by dividing it by the scale zoom x 0.5, truncated toward zero.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "adjust/rect.h"
#include "preview/source_wnd_owner.h"

namespace q9::convert {
class SourceMedia;
}

namespace q9::preview {

class CSourceWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CSourceWnd(SourceWndOwner* owner);

  // Makes this a tool window of parent titled "Source : " at the rectangle
  // (position on the screen, client size). False without a parent or with
  // an empty rectangle.
  bool Create(QWidget* parent, const QRect& screenRect);

  // Binds the media; when it has a frame, sizes the window to the frame at
  // the zoom, titles it "Source : " + the file's name and repaints.
  void SetSource(const QString& filePath, convert::SourceMedia* media);
  // Sizes the window to the frame at the media's current zoom and repaints.
  void FitSourceToZoom();
  // Repaints the frame and the outline.
  void PaintSource();

  convert::SourceMedia* Media() const { return m_media; }
  bool IsMoving() const { return m_isMoving; }
  bool IsDrawing() const { return m_isDrawing; }
  // Set when a button goes down, cleared once Percent-mode sizes have been
  // turned into pixels; one flag for every source window.
  static bool FirstDragMove() { return s_firstDragMove; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  float Scale() const;
  bool CanTrack() const;
  QPoint FramePoint(const QPointF& client) const;
  QPoint ClipToFrame(QPoint point) const;
  void SizeToFrame();
  // Stretches the exposed part of the frame straight into the image the
  // painter draws on, where it is one; false where it is not.
  bool StretchInPlace(QPainter& painter, const QRect& exposed) const;
  void DrawCaptureRect(QPainter& painter) const;
  // The moving drag's step to point: left and top follow, not below 0.
  void MoveCaptureTo(QPoint point);
  void ConvertPercentOnce();
  // The end of a drag: the record takes the rectangle in Pixels mode, and
  // the owner hears about it.
  void FinishDrag(const adjust::Rect& rect);
  void StepWithKey(int key, Qt::KeyboardModifiers modifiers);

  static bool s_firstDragMove;

  SourceWndOwner* m_owner;
  convert::SourceMedia* m_media = nullptr;
  bool m_created = false;
  // Multiplies the outline's drawing scale; fixed.
  float m_scale = 1.0f;
  QPoint m_anchor;  // frame pixels
  bool m_isMoving = false;
  bool m_isDrawing = false;
  // One band of the frame stretched to the client size; its storage serves
  // band after band and paint after paint.
  QImage m_band;
};

}  // namespace q9::preview
