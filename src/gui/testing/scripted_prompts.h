#pragma once
// Prompts for tests: each question is answered from a script and recorded,
// so a test reads what the user would have been asked. Boxes with only an
// OK button need no script (there is nothing to choose) but are recorded
// too. A question that finds no scripted answer is recorded in
// `unanswered` and gets the cautious answer (Cancel, No, rejected, nothing
// chosen); tests check that list is empty.

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "gui/prompts.h"

namespace q9::gui {

class ScriptedPrompts : public Prompts {
 public:
  struct Shown {
    QString text;
    QString caption;
    MessageButtons buttons;
    MessageIcon icon;
  };

  std::deque<MessageAnswer> answers;
  // Each script acts on the dialog as a user would (QTest clicks and keys on
  // its controls, which is shown while the script runs) and ends it by a
  // click; RunModal returns the dialog's result.
  std::deque<std::function<void(QDialog&)>> dialogScripts;
  std::deque<std::optional<QString>> files;
  std::deque<std::optional<QString>> folders;

  std::vector<Shown> messages;
  std::vector<QString> dialogTitles;
  std::vector<OpenFileRequest> fileRequests;
  std::vector<QString> folderTitles;
  QStringList unanswered;

  MessageAnswer Message(QWidget* parent, const QString& text, const QString& caption,
                        MessageButtons buttons, MessageIcon icon) override;
  int RunModal(QDialog& dialog) override;
  std::optional<QString> OpenFile(QWidget* parent, const OpenFileRequest& request) override;
  std::optional<QString> PickFolder(QWidget* parent, const QString& title,
                                    const QString& startFolder) override;

  // The texts of the messages shown so far.
  QStringList MessageTexts() const;
};

}  // namespace q9::gui
