#include "csv_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The table's texts never hold a comma, a double quote or a line break. Should one ever get
// into a cell, it is quoted (inner quotes doubled) so that it cannot shift the fields of its line.
bool NeedsQuotes(const QString& text) {
  for (const QChar c : text)
    if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
  return false;
}

void AppendField(QByteArray& out, const QString& text) {
  if (text.isEmpty()) {
    out += "\"\"";
  } else if (NeedsQuotes(text)) {
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    out += '"';
    out += quoted.toLatin1();
    out += '"';
  } else {
    out += text.toLatin1();
  }
}

[[noreturn]] void CannotCreate(const QString& path) {
  throw FileError(("Cannot Create file " + path).toStdString());
}

}  // namespace

QByteArray CsvBytes(const QList<QStringList>& rows) {
  QByteArray out;
  out.reserve(rows.size() * 72);
  for (const QStringList& row : rows) {
    for (int col = 0; col < CsvColumnCount; ++col) {
      if (col > 0) out += ',';
      AppendField(out, col < row.size() ? row[col] : QString());
    }
    out += "\r\n";
  }
  return out;
}

void WriteCsvFile(const QString& path, const QList<QStringList>& rows) {
  const QByteArray bytes = CsvBytes(rows);

  // A rename replaces a read-only file as readily as any other, so an existing target is
  // checked here; the folder is checked by creating the temporary file in it. A link is
  // followed, so that the file it points to is replaced and the link stays.
  QFileInfo info(path);
  if (path.isEmpty() || info.isDir() || (info.exists() && !info.isWritable())) CannotCreate(path);
  const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
  const QByteArray target_name = QFile::encodeName(target);
  struct stat existing {};
  const bool replaces = ::stat(target_name.constData(), &existing) == 0;

  // The temporary file: hidden, beside the target, created new with the usual permissions.
  QByteArray temp_name;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    const QString candidate = QStringLiteral("%1/.%2.%3.tmp")
                                  .arg(QFileInfo(target).absolutePath(), QFileInfo(target).fileName())
                                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    temp_name = QFile::encodeName(candidate);
    fd = ::open(temp_name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) CannotCreate(path);

  const auto fail = [&](int error) {
    ::close(fd);
    ::unlink(temp_name.constData());
    throw FileError(std::strerror(error));
  };
  if (replaces && ::fchmod(fd, existing.st_mode & 07777) != 0) fail(errno);
  for (qsizetype done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(errno);
    done += n;
  }
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp_name.constData());
    throw FileError(std::strerror(error));
  }
  if (::rename(temp_name.constData(), target_name.constData()) != 0) {
    ::unlink(temp_name.constData());
    CannotCreate(path);
  }
}
