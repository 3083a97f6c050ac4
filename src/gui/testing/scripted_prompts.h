#pragma once
// Prompts for tests: each question is answered from a script and recorded,
// so a test reads what the user would have been asked. Boxes with only an OK
// button need no script but are recorded too (and take a scripted Ok when
// one is next). A question without a scripted answer is noted in
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
  // Each script acts on the dialog, shown, as a user would (QTest clicks and
  // keys) and ends it by a click; RunModal returns the dialog's result.
  std::deque<std::function<void(QDialog&)>> dialogScripts;
  std::deque<std::optional<QString>> files;
  std::deque<std::optional<QString>> folders;

  std::vector<Shown> messages;
  std::vector<QString> dialogTitles;
  std::vector<OpenFileRequest> fileRequests;
  std::vector<QString> folderTitles;
  QStringList unanswered;

  MessageAnswer Message(QWidget*, const QString& text, const QString& caption,
                        MessageButtons buttons, MessageIcon icon) override {
    messages.push_back({text, caption, buttons, icon});
    if (buttons == MessageButtons::Ok) {
      if (!answers.empty() && answers.front() == MessageAnswer::Ok) answers.pop_front();
      return MessageAnswer::Ok;
    }
    if (answers.empty()) {
      unanswered << "message: " + text;
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  int RunModal(QDialog& dialog) override {
    dialogTitles.push_back(dialog.windowTitle());
    if (dialogScripts.empty()) {
      unanswered << "dialog: " + dialog.windowTitle();
      return QDialog::Rejected;
    }
    const auto script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    dialog.setResult(-1);
    dialog.show();
    script(dialog);
    if (dialog.result() == -1) {
      unanswered << "dialog not ended: " + dialog.windowTitle();
      dialog.reject();
    }
    dialog.hide();
    return dialog.result();
  }

  std::optional<QString> OpenFile(QWidget*, const OpenFileRequest& request) override {
    fileRequests.push_back(request);
    return Next(files, "open file: " + request.title);
  }
  std::optional<QString> PickFolder(QWidget*, const QString& title, const QString&) override {
    folderTitles.push_back(title);
    return Next(folders, "folder: " + title);
  }

  // The texts of the messages shown so far.
  QStringList MessageTexts() const {
    QStringList texts;
    for (const Shown& shown : messages) texts << shown.text;
    return texts;
  }

 private:
  // Swapped out rather than copied: GCC's -O2 flow analysis takes a copied
  // optional<QString> for uninitialised.
  std::optional<QString> Next(std::deque<std::optional<QString>>& scripted, const QString& asked) {
    std::optional<QString> answer;
    if (scripted.empty()) {
      unanswered << asked;
    } else {
      answer.swap(scripted.front());
      scripted.pop_front();
    }
    return answer;
  }
};

}  // namespace q9::gui
