// The record table's CSV file: its exact bytes, the atomic replacement of the target, and the
// errors for folders and files that cannot be written.
#include "csv_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QStringList kHeadings = {"No.", "Date", "Time", "ML", "AL", "PAR",
                               "Ft", "Fm'", "Yield", "ETR", "FR", "Zoff"};
// Record 1 of the instrument memory as the table shows it.
const QStringList kRecord1 = {"1", "19.06.03", "15:07:42", " 5", " 3", " 119",
                              "0.500", "1.000", "0.500", " 25.0", " 7", "0.120"};

QList<QStringList> FullTable() {
  QList<QStringList> rows{kHeadings};
  for (int k = 1; k <= 255; ++k) {
    QStringList row = kRecord1;
    row[0] = QString::number(k);
    row[2] = QStringLiteral("15:%1:42").arg(k % 60, 2, 10, QChar('0'));
    rows.append(row);
  }
  return rows;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<unreadable>";
  return f.readAll();
}

// Names in a folder, hidden ones included: a temporary file left behind shows up here.
QStringList Entries(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

struct WriteOutcome {
  bool ok = false;
  std::string message;  // the FileError text when not ok
};

// Runs WriteCsvFile in a forked child, so that the child can give up root (permissions then
// apply as they do for a user) and take a file size limit without touching the test process.
WriteOutcome WriteInChild(const QString& path, const QList<QStringList>& rows, bool unprivileged,
                          rlim_t file_size_limit = RLIM_INFINITY) {
  int fds[2];
  if (pipe(fds) != 0) return {false, "pipe failed"};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string report;
    if (unprivileged && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      report = "X:cannot drop root";
    } else {
      if (file_size_limit != RLIM_INFINITY) {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        const rlimit limit{file_size_limit, file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      try {
        WriteCsvFile(path, rows);
        report = "OK";
      } catch (const FileError& e) {
        report = std::string("E:") + e.what();
      } catch (const std::exception& e) {
        report = std::string("X:") + e.what();
      }
    }
    const ssize_t written = write(fds[1], report.data(), report.size());
    _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string report;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {false, "child failed: " + report};
  if (report == "OK") return {true, {}};
  if (report.rfind("E:", 0) == 0) return {false, report.substr(2)};
  return {false, "unexpected: " + report};
}

class CsvFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    // Open to every user, so that a child without root can work in it.
    chmod(QFile::encodeName(m_tmp.path()).constData(), 0777);
  }
  void TearDown() override {
    for (const QString& d : m_locked) chmod(QFile::encodeName(d).constData(), 0777);
  }
  QString Folder(const QString& name) {
    const QString d = m_tmp.filePath(name);
    QDir().mkpath(d);
    chmod(QFile::encodeName(d).constData(), 0777);
    m_locked << d;
    return d;
  }
  void Lock(const QString& path, mode_t mode) { chmod(QFile::encodeName(path).constData(), mode); }
  static void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QTemporaryDir m_tmp;
  QStringList m_locked;
};

TEST_F(CsvFileTest, FileHoldsExactlyTheTableBytes) {
  const QByteArray heading = "No.,Date,Time,ML,AL,PAR,Ft,Fm',Yield,ETR,FR,Zoff\r\n";
  const QByteArray empty_line = "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
  QList<QStringList> start_up_table{kHeadings};  // 512 rows before any Update reached the instrument
  for (int r = 1; r < 512; ++r) start_up_table.append(QStringList(12, QString()));

  const struct {
    const char* name;
    QList<QStringList> rows;
    QByteArray bytes;
  } cases[] = {
      {"no records", {kHeadings}, heading},
      {"one record", {kHeadings, kRecord1},
       heading + "1,19.06.03,15:07:42, 5, 3, 119,0.500,1.000,0.500, 25.0, 7,0.120\r\n"},
      {"start-up table", start_up_table, heading + empty_line.repeated(511)},
      {"short row padded with empty cells", {{"7", "", " 3"}},
       "7,\"\", 3,\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"},
      {"no rows", {}, ""},
  };
  ASSERT_EQ(heading.size(), 50);
  ASSERT_EQ(empty_line.size(), 35 + 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = m_tmp.filePath(QString("%1.csv").arg(c.name));
    WriteCsvFile(path, c.rows);
    EXPECT_EQ(ReadAll(path), c.bytes);
  }
}

TEST_F(CsvFileTest, FullMemoryGivesOneLinePerRow) {
  const QString path = m_tmp.filePath("full.csv");
  WriteCsvFile(path, FullTable());
  const QByteArray bytes = ReadAll(path);
  EXPECT_EQ(bytes.count("\r\n"), 256);
  EXPECT_EQ(bytes.count('\n'), 256);
  EXPECT_TRUE(bytes.endsWith("255,19.06.03,15:15:42, 5, 3, 119,0.500,1.000,0.500, 25.0, 7,0.120\r\n"));
}

// The table's texts never hold these characters; if one did, its line must still have twelve
// fields.
TEST_F(CsvFileTest, SeparatorInsideACellIsQuoted) {
  QStringList row = kRecord1;
  row[1] = "a,b";
  row[2] = "say \"x\"";
  EXPECT_EQ(CsvBytes({row}),
            "1,\"a,b\",\"say \"\"x\"\"\", 5, 3, 119,0.500,1.000,0.500, 25.0, 7,0.120\r\n");
}

TEST_F(CsvFileTest, ExistingFileIsReplacedWholeAndNothingElseRemains) {
  const QString path = m_tmp.filePath("june.csv");
  Put(path, QByteArray(100000, 'x'));
  Lock(path, 0640);
  WriteCsvFile(path, {kHeadings});
  EXPECT_EQ(ReadAll(path).size(), 50);
  struct stat st{};
  ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
  EXPECT_EQ(Entries(m_tmp.path()), QStringList{"june.csv"});

  // Through a link the file it points to is replaced, and the link stays a link.
  const QString link = m_tmp.filePath("latest.csv");
  ASSERT_TRUE(QFile::link(path, link));
  WriteCsvFile(link, {kHeadings, kRecord1});
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(ReadAll(path).size(), 50 + 65);
}

TEST_F(CsvFileTest, NewFileIsReadableByOthersUnderTheUmask) {
  const mode_t mask = umask(022);
  const QString path = m_tmp.filePath("new.csv");
  WriteCsvFile(path, {kHeadings});
  umask(mask);
  struct stat st{};
  ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(CsvFileTest, UnwritablePlacesGiveCannotCreateAndLeaveEverythingAsItWas) {
  const QString ro_folder = Folder("ro_folder");
  const QString ro_file_folder = Folder("ro_file");
  const QString ro_file = ro_file_folder + "/old.csv";
  const QString ro_folder_file = ro_folder + "/old.csv";
  Put(ro_file, "earlier\r\n");
  Put(ro_folder_file, "earlier\r\n");
  Lock(ro_file, 0444);
  Lock(ro_folder_file, 0666);
  Lock(ro_folder, 0555);

  const struct {
    const char* name;
    QString path;
    QByteArray earlier;  // what the target holds before and must hold after; empty: no file
  } cases[] = {
      {"new file in a read-only folder", ro_folder + "/new.csv", {}},
      {"writable file in a read-only folder", ro_folder_file, "earlier\r\n"},
      {"read-only file in a writable folder", ro_file, "earlier\r\n"},
      {"folder that does not exist", m_tmp.filePath("missing/new.csv"), {}},
      {"name of a folder", ro_file_folder, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList before = Entries(QFileInfo(c.path).absolutePath());
    const WriteOutcome out = WriteInChild(c.path, FullTable(), /*unprivileged=*/true);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, ("Cannot Create file " + c.path).toStdString());
    EXPECT_EQ(Entries(QFileInfo(c.path).absolutePath()), before);
    if (!c.earlier.isEmpty()) {
      EXPECT_EQ(ReadAll(c.path), c.earlier);
    }
  }
}

TEST_F(CsvFileTest, WritableFolderWorksWithoutRoot) {
  const QString folder = Folder("user");
  const WriteOutcome out = WriteInChild(folder + "/t.csv", {kHeadings}, /*unprivileged=*/true);
  EXPECT_TRUE(out.ok) << out.message;
  EXPECT_EQ(ReadAll(folder + "/t.csv").size(), 50);
}

TEST_F(CsvFileTest, WriteFailingMidwayKeepsTheEarlierFileAndLeavesNoPartialFile) {
  const QString folder = Folder("limit");
  const QString path = folder + "/june.csv";
  Put(path, "earlier\r\n");
  Lock(path, 0666);
  // The file size limit stops the write after 4 KiB of the table's 16 KiB, as a full disk would.
  const WriteOutcome out = WriteInChild(path, FullTable(), /*unprivileged=*/false, 4096);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, std::strerror(EFBIG));
  EXPECT_EQ(ReadAll(path), "earlier\r\n");
  EXPECT_EQ(Entries(folder), QStringList{"june.csv"});
}

}  // namespace
