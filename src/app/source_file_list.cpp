#include "app/source_file_list.h"

#include <sys/stat.h>

#include <QFile>
#include <QHeaderView>
#include <QItemSelection>
#include <QTreeWidget>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "convert/source_listing.h"
#include "convert/text_util.h"

namespace q9::app {
namespace {

// The column titles keep their padding: it makes the columns as wide as
// the texts below them.
constexpr const char* kColumnTitles =
    "Name                     ,                   Size,Modified                  ";
constexpr int kColumnMargin = 15;

// The number at the start of a text, as atoi reads it; 0 when there is none.
int LeadingNumber(QStringView text) {
  return std::atoi(text.toLatin1().constData());
}

}  // namespace

SourceFileList::SourceFileList(QTreeWidget& list) : m_list(list) {}

void SourceFileList::InitFileListColumns() {
  const QStringList titles = QString::fromLatin1(kColumnTitles).split(u',');
  m_list.setColumnCount(int(titles.size()));
  m_list.setHeaderLabels(titles);
  m_list.headerItem()->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
  m_list.header()->setStretchLastSection(false);
  for (int column = 0; column < titles.size(); ++column)
    m_list.setColumnWidth(column,
                          m_list.fontMetrics().horizontalAdvance(titles[column]) + kColumnMargin);
}

bool SourceFileList::CollectFileNames(QStringList& names, const QString& directory,
                                      QStringView extension) {
  namespace fs = std::filesystem;
  if (directory.isEmpty()) return false;
  std::error_code ec;
  fs::directory_iterator it(QFile::encodeName(directory).toStdString(), ec);
  if (ec) return false;
  const std::string wanted = extension.toString().toStdString();
  bool found = false;
  for (const fs::directory_entry& entry : it) {
    std::error_code typeError;
    if (entry.is_directory(typeError)) continue;
    const std::string name = entry.path().filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos ||
        !convert::EqualsNoCase(std::string_view(name).substr(dot + 1), wanted))
      continue;
    names << QFile::decodeName(name.c_str());
    found = true;
  }
  return found;
}

QString SourceFileList::SizeText(qint64 bytes) {
  const auto size = int32_t(uint32_t(uint64_t(bytes)));
  return QString::asprintf("%5d KB", size / 1024);
}

QString SourceFileList::ModifiedText(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  // Formatted by hand: the marker is "AM" or "PM" whatever the locale says.
  return QString::asprintf("%02d/%02d/%02d %02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                           local.tm_year % 100, hour12, local.tm_min,
                           local.tm_hour < 12 ? "AM" : "PM");
}

std::time_t SourceFileList::ModifiedTime(QStringView text) {
  int numbers[5] = {};  // month, day, year, hour, minute
  QStringView marker;
  int field = 0;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size() && field < 6; ++i) {
    if (i < text.size() && text[i] != u'/' && text[i] != u' ' && text[i] != u':') continue;
    const QStringView part = text.mid(start, i - start);
    if (field < 5)
      numbers[field] = LeadingNumber(part);
    else
      marker = part;
    ++field;
    start = i + 1;
  }
  std::tm local{};
  const int year = numbers[2] < 70 ? 2000 + numbers[2] : 1900 + numbers[2];
  int hour = numbers[3] % 12;
  if (marker.compare(u"PM", Qt::CaseInsensitive) == 0) hour += 12;
  local.tm_year = year - 1900;
  local.tm_mon = numbers[0] - 1;
  local.tm_mday = numbers[1];
  local.tm_hour = hour;
  local.tm_min = numbers[4];
  local.tm_isdst = -1;
  return std::mktime(&local);
}

void SourceFileList::FillFileList(const QString& directory,
                                  const convert::VideoExtensions& videos) {
  m_list.clear();
  QStringList names;
  for (std::string_view extension : convert::ListedExtensions())
    CollectFileNames(names, directory,
                     QString::fromLatin1(extension.data(), qsizetype(extension.size())));
  // The added extensions are never listed ones, so no file comes twice.
  for (const std::string& extension : videos.List())
    CollectFileNames(names, directory, QString::fromStdString(extension));
  for (const QString& name : names) {
    struct stat status {};
    if (::stat(QFile::encodeName(directory + u'/' + name).constData(), &status) != 0) continue;
    const std::time_t modified = status.st_mtime > 0 ? status.st_mtime : std::time(nullptr);
    auto* row = new QTreeWidgetItem(&m_list);
    row->setText(kName, name);
    row->setText(kSize, SizeText(status.st_size));
    row->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    row->setText(kModified, ModifiedText(modified));
  }
  m_sortAscending = false;
  SortFileList(kName);
}

void SourceFileList::SortFileList(int column) {
  m_sortAscending = !m_sortAscending;
  const int rows = m_list.topLevelItemCount();
  std::vector<std::string> texts;  // Name and Size: lower case, compared as bytes
  std::vector<std::time_t> times;  // Modified: compared as times
  for (int row = 0; row < rows; ++row) {
    const QString text = m_list.topLevelItem(row)->text(column);
    if (column == kModified)
      times.push_back(ModifiedTime(text));
    else
      texts.push_back(convert::ToLower(text.toStdString()));
  }
  // first > second: the pair is out of ascending order.
  const auto greater = [&](int first, int second) {
    return column == kModified ? times[first] > times[second] : texts[first] > texts[second];
  };
  std::vector<int> order(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row) order[size_t(row)] = row;
  for (int pass = 0; pass < rows; ++pass) {
    for (int i = 0; i + 1 < rows - pass; ++i) {
      const int a = order[size_t(i)], b = order[size_t(i) + 1];
      if (m_sortAscending ? greater(a, b) : greater(b, a))
        std::swap(order[size_t(i)], order[size_t(i) + 1]);
    }
  }
  // Only the texts move; every row keeps its mark.
  for (int col = 0; col < m_list.columnCount(); ++col) {
    QStringList columnTexts;
    for (int row = 0; row < rows; ++row) columnTexts << m_list.topLevelItem(row)->text(col);
    for (int row = 0; row < rows; ++row)
      m_list.topLevelItem(row)->setText(col, columnTexts[order[size_t(row)]]);
  }
}

int SourceFileList::MarkedCount() const {
  return int(m_list.selectedItems().size());
}

QStringList SourceFileList::MarkedNames() const {
  QStringList names;
  for (int row = 0; row < m_list.topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = m_list.topLevelItem(row);
    if (item->isSelected()) names << item->text(kName);
  }
  return names;
}

void SourceFileList::SelectAll() {
  m_list.selectAll();
}

void SourceFileList::SelectNone() {
  m_list.clearSelection();
}

void SourceFileList::SelectInvert() {
  const int rows = m_list.topLevelItemCount();
  if (rows == 0) return;
  QItemSelectionModel* marks = m_list.selectionModel();
  const QItemSelection all(m_list.model()->index(0, 0),
                           m_list.model()->index(rows - 1, m_list.columnCount() - 1));
  marks->select(all, QItemSelectionModel::Toggle);
  marks->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

}  // namespace q9::app
