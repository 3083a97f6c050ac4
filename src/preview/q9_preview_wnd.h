#pragma once
// The preview: a small tool window owned by the main dialog that shows the
// current frame of the previewed source as the sign will show it. The
// client area is the sign's size in bulbs times zoom x 0.5 (0.5, 1, 1.5 or 2
// screen pixels per bulb), and the renderer's picture is stretched over it
// without smoothing. A frame of an old sequence that holds no bulbs shows a
// white area with the frame's kind written at its top left.
//
// The window renders only when asked (ShowSource, FitToZoom, RenderPreview
// with recompute); a plain repaint draws the picture of the last render.
// It deletes itself when it is closed and tells its owner when it goes,
// whoever destroys it: the owner deletes it before its own destruction
// begins, so that the call reaches a whole object.

#include <QString>
#include <QWidget>

#include "preview/preview_owner.h"

namespace q9::convert {
class SourceMedia;
}

namespace q9::preview {

class CQ9PreviewWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CQ9PreviewWnd(PreviewOwner* owner);
  ~CQ9PreviewWnd() override;

  // Makes this a tool window of owner titled "Preview : ", placed at the
  // rectangle (its position on the screen, its size the client size), and
  // shows it. False, and nothing done, without an owner or with an empty
  // rectangle.
  bool Create(QWidget* owner, const QRect& screenRect);

  // Binds the media, titles the window "Preview : " + name (the sign's
  // short name), sizes it for the media's zoom and renders. Ignored without
  // a media.
  void ShowSource(const QString& name, convert::SourceMedia* media);
  // Draws the current frame; with recompute, renders it anew first. Ignored
  // before Create and without a media.
  void RenderPreview(bool recompute);
  // Sizes the window for the media's current zoom and renders.
  void FitToZoom();

  convert::SourceMedia* Media() const { return m_media; }
  bool IsShown() const { return m_shown; }
  // The client size for the media's sign at its zoom.
  static QSize ClientSizeFor(const convert::SourceMedia& media);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void SizeToZoom();

  PreviewOwner* m_owner;
  convert::SourceMedia* m_media = nullptr;
  bool m_created = false;
  bool m_shown = false;
};

}  // namespace q9::preview
