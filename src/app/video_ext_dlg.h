#pragma once
// "Video Extensions": the extensions whose files the window also lists and
// converts as videos, typed as a comma-separated list. OK with a list the
// converter cannot take says why and keeps the dialog open; Cancel (and
// Escape) leaves the list as it was.

#include <QDialog>

#include "convert/video_extensions.h"

namespace q9::gui {
class Prompts;
}

namespace q9::app {

enum VideoExtControlId : int {
  kIdVideoExtOk = 1,
  kIdVideoExtCancel = 2,
  kIdVideoExtText = 1201,
  kIdVideoExtEdit = 1202,
};

class CVideoExtDlg : public QDialog {
  Q_OBJECT

 public:
  // The field starts with the current list; refusals are told through prompts.
  CVideoExtDlg(gui::Prompts& prompts, const convert::VideoExtensions& current,
               QWidget* parent = nullptr);

  // The list OK took; the current one until then.
  const convert::VideoExtensions& Extensions() const { return m_extensions; }

 private:
  void OnOk();

  gui::Prompts& m_prompts;
  convert::VideoExtensions m_extensions;
};

}  // namespace q9::app
