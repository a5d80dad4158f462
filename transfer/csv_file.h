#pragma once
// The record table as a file of comma-separated values.

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

// A file that cannot be created or written; the message is the text the error box shows.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Number of fields on every line: the twelve columns of the record table.
inline constexpr int CsvColumnCount = 12;

// The file's bytes for the table: row 0 (the headings) first, one line per row, each line the
// twelve cell texts joined by commas and ended by CR LF. A cell's text is written as it stands,
// leading blanks included; an empty (or missing) cell is written as "". The table's texts hold
// no comma, double quote or line break; a cell that did would be quoted, its quotes doubled.
// Characters outside Latin-1 become '?'.
QByteArray CsvBytes(const QList<QStringList>& rows);

// Writes CsvBytes(rows) to path. The bytes go to a temporary file beside the target, which
// replaces the target only once everything is on disk: if anything fails, an earlier file at
// path is left as it was and no partial or temporary file remains.
// Throws FileError "Cannot Create file <path>" when the folder or an existing file cannot be
// written (or path names a folder), and FileError with the system's error text when writing
// fails midway (a full disk, a file size limit).
void WriteCsvFile(const QString& path, const QList<QStringList>& rows);
