#pragma once
// The menus "Image" (with "R&otate"), "Effects", "Spatial Filters" and
// "Color" of the Adjust dialog. A command changes nothing in the picture
// here: it records its bit of CommandMask and its parameters in the attached
// source's record, and the renderer applies them to every frame; after each
// command the preview is rendered anew. Parameters are asked for in the
// range, list, colour-resolution and gamma dialogs, run through the prompts.
//
// Every command does nothing without an attached source. Each time a menu
// opens, its marks are brought up to date: a check mark on a command that is
// on, a radio mark on the fixed rotation that is on, and "Ed&ge Enhance"
// enabled only for frames of more than 8 bits per pixel.

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>

#include "gui/prompts.h"

class QAction;
class QMenu;
class QMenuBar;

namespace q9::convert {
class SourceMedia;
}

namespace q9::adjust_dialog {

struct MenuCommand;

class ImageCommandMenus : public QObject {
  Q_OBJECT

 public:
  using SourceFn = std::function<convert::SourceMedia*()>;
  using RefreshFn = std::function<void()>;

  // dialog: the parent of the parameter dialogs; source: the attached
  // source or null; refresh: re-renders the preview.
  ImageCommandMenus(gui::Prompts& prompts, QWidget& dialog, SourceFn source, RefreshFn refresh);

  // Adds the four menus to the bar.
  void AddTo(QMenuBar& bar);
  // The item of a command id (32771 "&Flip" ...), or null.
  QAction* Action(int id) const;

  // The handlers, as the items run them.
  void ToggleCommand(uint32_t bit);
  void RunFixedRotation(uint32_t bit, int angle);
  void RunRangeCommand(uint32_t bit, const char* title, const char* label, int minimum, int maximum,
                       int fourth, int divisor, bool showChoice, const char* choiceLabel,
                       const char* choiceList);
  void RunListCommand(uint32_t bit, const char* title, const char* label, const char* list);
  void RunColorResolution();
  void RunGammaCorrection();
  // The marks and enabled states of every item, from the attached source.
  void UpdateMarks();

 private:
  void Run(const MenuCommand& command);

  gui::Prompts& m_prompts;
  QWidget& m_dialog;
  SourceFn m_source;
  RefreshFn m_refresh;
  std::map<int, QAction*> m_actions;
};

}  // namespace q9::adjust_dialog
