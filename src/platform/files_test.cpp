#include "platform/files.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace files = platform::files;
using Mode = files::FileHold::Mode;

QByteArray contents(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return f.readAll();
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

class Files : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString at(const QString& name) const { return dir_.path() + u'/' + name; }
  QStringList entries() const {
    QStringList names =
        QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort(Qt::CaseSensitive);
    return names;
  }
  QTemporaryDir dir_;
};

TEST_F(Files, WritesAnsiWithCrLfAfterEveryLine) {
  files::writeTextFile(at("FP_ENV.TXT"), {QStringLiteral("01Farmácia"), QString(),
                                          QStringLiteral("03São Paulo")});
  EXPECT_EQ(contents(at("FP_ENV.TXT")), QByteArray("01Farm\xE1" "cia\r\n\r\n03S\xE3o Paulo\r\n"));
  files::writeTextFile(at("FP_ENV.TXT"), {QStringLiteral("x")});
  EXPECT_EQ(contents(at("FP_ENV.TXT")), QByteArray("x\r\n"));
  EXPECT_EQ(entries(), QStringList{"FP_ENV.TXT"});  // no temporary left behind
}

TEST_F(Files, ReadsLinesInTheEncodingItsMarkSelects) {
  struct Case {
    const char* name;
    QByteArray bytes;
    QStringList lines;
  };
  const Case cases[] = {
      {"ansi", QByteArray("S\xE3o\r\nJos\xE9\r\n"), {"São", "José"}},
      {"utf-8 mark", QByteArray("\xEF\xBB\xBFS\xC3\xA3o\r\n"), {"São"}},
      {"utf-16le mark", QByteArray("\xFF\xFE" "a\0\xE3\0\r\0\n\0b\0", 12), {"aã", "b"}},
      {"utf-16be mark", QByteArray("\xFE\xFF\0a\0\xE3\0\n", 8), {"aã"}},
      {"mixed endings", QByteArray("a\r\nb\nc\rd"), {"a", "b", "c", "d"}},
      {"empty lines kept", QByteArray("a\r\n\r\nb\r\n"), {"a", "", "b"}},
      {"only a terminator", QByteArray("\r\n"), {""}},
      {"lone CR then LF pair", QByteArray("a\r\r\nb"), {"a", "", "b"}},
      {"empty file", QByteArray(), {}},
  };
  for (const Case& c : cases) {
    put(at("in.txt"), c.bytes);
    EXPECT_EQ(files::readTextFile(at("in.txt")), c.lines) << c.name;
  }
}

TEST_F(Files, AUtf8AnswerIsCutByCharactersNotBytes) {
  // The same answer line, once ANSI and once UTF-8 with a mark: the fields
  // cut by position must be the same.
  const QString line = QStringLiteral("00SMÁgua Oxigenada São João 0012,50");
  put(at("ansi.txt"), QByteArray("00SM\xC1gua Oxigenada S\xE3o Jo\xE3o 0012,50\r\n"));
  put(at("utf8.txt"), QByteArray("\xEF\xBB\xBF") + line.toUtf8() + "\r\n");
  for (const char* name : {"ansi.txt", "utf8.txt"}) {
    const QStringList lines = files::readTextFile(at(name));
    ASSERT_EQ(lines.size(), 1) << name;
    EXPECT_EQ(lines[0], line) << name;
    EXPECT_EQ(lines[0].mid(4, 15), QStringLiteral("Água Oxigenada ")) << name;
    EXPECT_EQ(lines[0].mid(19, 9), QStringLiteral("São João ")) << name;
    EXPECT_EQ(lines[0].mid(28), QStringLiteral("0012,50")) << name;
  }
}

TEST_F(Files, FailuresNameTheFileAndLeaveNothingBehind) {
  const QString missingDir = at("FPopular/FP_ENV.TXT");
  try {
    files::writeTextFile(missingDir, {QStringLiteral("01")});
    FAIL() << "writing into a missing directory succeeded";
  } catch (const platform::Error& e) {
    EXPECT_TRUE(e.message().contains(missingDir)) << e.message().toStdString();
  }
  try {
    files::readTextFile(at("FP_REQ.TXT"));
    FAIL() << "reading a missing file succeeded";
  } catch (const platform::Error& e) {
    EXPECT_TRUE(e.message().contains(at("FP_REQ.TXT"))) << e.message().toStdString();
  }
  EXPECT_TRUE(entries().isEmpty());
}

TEST_F(Files, HeldFilesCannotBeReadWrittenOrDeletedAgainstTheirLock) {
  put(at("FP_REQ.TXT"), "resposta\r\n");
  {
    files::FileHold hold(at("FP_REQ.TXT"), Mode::Exclusive);
    EXPECT_THROW(files::readTextFile(at("FP_REQ.TXT")), platform::Error);
    EXPECT_THROW(files::FileHold(at("FP_REQ.TXT"), Mode::Shared), platform::Error);
  }
  {
    files::FileHold hold(at("FP_REQ.TXT"), Mode::Shared);
    EXPECT_EQ(files::readTextFile(at("FP_REQ.TXT")), QStringList{"resposta"});
    EXPECT_THROW(files::writeTextFile(at("FP_REQ.TXT"), {QStringLiteral("outra")}),
                 platform::Error);
    QString reason;
    EXPECT_FALSE(files::remove(at("FP_REQ.TXT"), &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("em uso"))) << reason.toStdString();
  }
  EXPECT_EQ(contents(at("FP_REQ.TXT")), QByteArray("resposta\r\n"));
  EXPECT_TRUE(files::remove(at("FP_REQ.TXT")));
  EXPECT_FALSE(files::exists(at("FP_REQ.TXT")));
}

TEST_F(Files, AFileOpenedByATableEngineCannotBeDeleted) {
  put(at("ITEM.DBF"), "dbf");
  const int fd = ::open(QFile::encodeName(at("ITEM.DBF")).constData(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);
  QString reason;
  EXPECT_FALSE(files::remove(at("ITEM.DBF"), &reason));
  EXPECT_FALSE(reason.isEmpty());
  ::close(fd);
  EXPECT_TRUE(files::remove(at("ITEM.DBF"), &reason)) << reason.toStdString();
}

// Another process holds the file; the parent's delete must fail and say why,
// and succeed once the holder is gone.
TEST_F(Files, AFileHeldByAnotherProcessCannotBeDeleted) {
  for (Mode mode : {Mode::Shared, Mode::Exclusive}) {
    const QString path = at("FP_REQ.TXT");
    put(path, "00S\r\n");
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      char status = 'x';
      try {
        files::FileHold hold(path, mode);
        status = 'h';
        (void)!::write(ready[1], &status, 1);
        (void)!::read(release[0], &status, 1);  // until the parent is done
      } catch (...) {
        (void)!::write(ready[1], &status, 1);
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    ASSERT_EQ(status, 'h') << "the child could not hold the file";

    QString reason;
    EXPECT_FALSE(files::remove(path, &reason)) << int(mode);
    EXPECT_EQ(reason, QStringLiteral("O arquivo %1 está em uso por outro processo e não pode ser "
                                     "excluído.")
                          .arg(path));
    EXPECT_TRUE(files::exists(path));

    ::close(release[1]);  // the child exits
    int childStatus = 0;
    ASSERT_EQ(::waitpid(child, &childStatus, 0), child);
    ::close(ready[0]);
    EXPECT_TRUE(files::remove(path, &reason)) << reason.toStdString();
    EXPECT_FALSE(files::exists(path));
  }
}

TEST_F(Files, RemoveSaysWhyItFails) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir("ARQ"));
  const std::pair<QString, QString> cases[] = {
      {at("FP_ENV.TXT"), QStringLiteral("O arquivo %1 não existe.").arg(at("FP_ENV.TXT"))},
      {at("ARQ"), QStringLiteral("%1 é um diretório, não um arquivo.").arg(at("ARQ"))},
  };
  for (const auto& [path, expected] : cases) {
    QString reason;
    EXPECT_FALSE(files::remove(path, &reason));
    EXPECT_EQ(reason, expected);
  }
  EXPECT_TRUE(files::directoryExists(at("ARQ")));
}

TEST_F(Files, CopyAndMove) {
  put(at("FP_REQ.TXT"), "novo");
  put(at("R000123-20261130.TXT"), "antigo");
  QString reason;
  // A copy that must not replace leaves the target as it was.
  EXPECT_FALSE(files::copy(at("FP_REQ.TXT"), at("R000123-20261130.TXT"), true, &reason));
  EXPECT_EQ(reason, QStringLiteral("O arquivo %1 já existe.").arg(at("R000123-20261130.TXT")));
  EXPECT_EQ(contents(at("R000123-20261130.TXT")), QByteArray("antigo"));
  EXPECT_TRUE(files::copy(at("FP_REQ.TXT"), at("R000123-20261130.TXT"), false, &reason));
  EXPECT_EQ(contents(at("R000123-20261130.TXT")), QByteArray("novo"));
  EXPECT_TRUE(files::copy(at("FP_REQ.TXT"), at("copia.txt"), true, &reason));
  EXPECT_EQ(contents(at("copia.txt")), QByteArray("novo"));
  EXPECT_FALSE(files::copy(at("nada.txt"), at("x.txt"), false, &reason));
  EXPECT_TRUE(reason.contains(at("nada.txt"))) << reason.toStdString();
  EXPECT_FALSE(files::exists(at("x.txt")));

  // Move never replaces an existing file.
  EXPECT_FALSE(files::move(at("copia.txt"), at("FP_REQ.TXT"), &reason));
  EXPECT_EQ(contents(at("copia.txt")), QByteArray("novo"));
  EXPECT_TRUE(files::move(at("copia.txt"), at("movido.txt"), &reason)) << reason.toStdString();
  EXPECT_FALSE(files::exists(at("copia.txt")));
  EXPECT_EQ(contents(at("movido.txt")), QByteArray("novo"));
  EXPECT_EQ(entries(), (QStringList{"FP_REQ.TXT", "R000123-20261130.TXT", "movido.txt"}));
}

TEST_F(Files, CreatesOneLevelOrAll) {
  EXPECT_FALSE(files::createDirectory(at("ARQ/Cancelados")));  // parent missing
  EXPECT_TRUE(files::createDirectory(at("ARQ")));
  EXPECT_FALSE(files::createDirectory(at("ARQ")));             // already there
  EXPECT_TRUE(files::createDirectory(at("ARQ/Cancelados")));
  EXPECT_TRUE(files::forceDirectories(at("a/b/c")));
  EXPECT_TRUE(files::forceDirectories(at("a/b/c")));
  EXPECT_TRUE(files::directoryExists(at("a/b/c")));
  EXPECT_FALSE(files::exists(at("a/b/c")));  // a directory is not a file
}

}  // namespace
