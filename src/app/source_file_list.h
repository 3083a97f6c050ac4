#pragma once
// The list of source files in the main dialog: one row per convertible file
// of the source directory with its name, size and modification time, and
// the user's marks. Rows come grouped by extension and are then sorted by
// name; a click on a column header sorts by that column, turning the one
// direction flag round. A sort moves only the texts: the marks stay at their
// row positions.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <ctime>

#include "convert/video_extensions.h"

class QTreeWidget;

namespace q9::app {

class SourceFileList {
 public:
  explicit SourceFileList(QTreeWidget& list);

  enum Column { kName = 0, kSize = 1, kModified = 2 };

  // The three columns with their padded titles; each is as wide as its
  // title in the list's font, plus 15 pixels.
  void InitFileListColumns();
  // The listed files of the directory, grouped by extension in listing
  // order, then those of the added video extensions in their order, then
  // sorted by name in ascending order.
  void FillFileList(const QString& directory, const convert::VideoExtensions& videos = {});
  // Appends the names of the files (not folders) in directory whose
  // extension is extension, letter case ignored. False when none matches.
  static bool CollectFileNames(QStringList& names, const QString& directory, QStringView extension);
  // Toggles the direction, then bubble-sorts the rows by the column: equal
  // keys keep their order.
  void SortFileList(int column);
  bool SortAscending() const { return m_sortAscending; }

  // Marks.
  int MarkedCount() const;
  // The marked rows' names, top to bottom.
  QStringList MarkedNames() const;
  void SelectAll();
  void SelectNone();
  // Every row's mark turned round; the focus row is cleared too.
  void SelectInvert();

  // "%5d KB": the size as a 32-bit signed number of bytes, divided by 1024.
  static QString SizeText(qint64 bytes);
  // "%m/%d/%y %I:%M %p" in local time.
  static QString ModifiedText(std::time_t time);
  // The local time a Modified text stands for (seconds 0). Two-digit years
  // below 70 are in the 2000s.
  static std::time_t ModifiedTime(QStringView text);

 private:
  QTreeWidget& m_list;
  bool m_sortAscending = true;
};

}  // namespace q9::app
