#include "platform/paths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Sets or clears environment variables for a test's scope, then restores them.
class ScopedEnv {
 public:
  void set(const char* name, const QByteArray& value) {
    remember(name);
    qputenv(name, value);
  }
  void unset(const char* name) {
    remember(name);
    qunsetenv(name);
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value.has_value()) {
        qputenv(name, *value);
      } else {
        qunsetenv(name);
      }
    }
  }

 private:
  void remember(const char* name) {
    if (qEnvironmentVariableIsSet(name)) {
      saved_.emplace_back(name, qgetenv(name));
    } else {
      saved_.emplace_back(name, std::nullopt);
    }
  }
  std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

void touch(const QString& path) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(Paths, DriveCRootFollowsTheEnvironment) {
  ScopedEnv env;
  env.set("QX_DRIVE_C", "/srv/drive_c/");
  env.set("WINEPREFIX", "/opt/wine");
  EXPECT_EQ(platform::driveCRoot(), QStringLiteral("/srv/drive_c"));
  env.unset("QX_DRIVE_C");
  EXPECT_EQ(platform::driveCRoot(), QStringLiteral("/opt/wine/drive_c"));
  env.unset("WINEPREFIX");
  EXPECT_EQ(platform::driveCRoot(), QDir::homePath() + QStringLiteral("/.wine/drive_c"));
}

TEST(Paths, WindowsPathsMapToTheDriveAndFindExistingNamesWithoutRegardToCase) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString r = root.path();
  ASSERT_TRUE(QDir(r).mkpath(QStringLiteral("FPopular/ARQ/Cancelados")));
  touch(r + QStringLiteral("/FPopular/FP_REQ.TXT"));
  touch(r + QStringLiteral("/FPopular/QxECF.ini"));
  ScopedEnv env;
  env.set("QX_DRIVE_C", r.toLocal8Bit());

  const std::pair<QString, QString> cases[] = {
      {"C:\\FPopular\\FP_REQ.TXT", "/FPopular/FP_REQ.TXT"},
      {"c:\\fpopular\\fp_req.txt", "/FPopular/FP_REQ.TXT"},
      {"C:/FPOPULAR/arq/cancelados/C123.TXT", "/FPopular/ARQ/Cancelados/C123.TXT"},
      {"C:\\FPopular\\qxecf.INI", "/FPopular/QxECF.ini"},
      {"C:\\FPopular\\FP_ENV.TXT", "/FPopular/FP_ENV.TXT"},   // missing: spelling kept
      {"C:\\Nada\\Arq\\X.txt", "/Nada/Arq/X.txt"},
      {"C:\\", ""},
      {"C:", ""},
  };
  for (const auto& [windows, below] : cases) {
    EXPECT_EQ(platform::localPath(windows), below.isEmpty() ? r : r + below)
        << windows.toStdString();
  }
  // Linux paths are looked up the same way and otherwise left alone.
  EXPECT_EQ(platform::localPath(r + QStringLiteral("/fpopular/Arq")), r + QStringLiteral("/FPopular/ARQ"));
  EXPECT_EQ(platform::localPath(QStringLiteral("/nao/existe/A.DBF")), QStringLiteral("/nao/existe/A.DBF"));
}

TEST(Paths, AnExactNameWinsOverOtherSpellings) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  touch(root.path() + QStringLiteral("/item.dbf"));
  touch(root.path() + QStringLiteral("/ITEM.DBF"));
  EXPECT_EQ(platform::localPath(root.path() + QStringLiteral("/ITEM.DBF")),
            root.path() + QStringLiteral("/ITEM.DBF"));
  EXPECT_EQ(platform::localPath(root.path() + QStringLiteral("/item.dbf")),
            root.path() + QStringLiteral("/item.dbf"));
  // Neither spelling: the first in name order.
  EXPECT_EQ(platform::localPath(root.path() + QStringLiteral("/Item.Dbf")),
            root.path() + QStringLiteral("/ITEM.DBF"));
}

TEST(Paths, ProgramFolderIsTheExecutablesDirectoryUnlessATestMovesIt) {
  EXPECT_EQ(platform::programFolder(), QCoreApplication::applicationDirPath());
  platform::setProgramFolderForTesting(QStringLiteral("/tmp/loja/"));
  EXPECT_EQ(platform::programFolder(), QStringLiteral("/tmp/loja"));
  platform::setProgramFolderForTesting(QString());
  EXPECT_EQ(platform::programFolder(), QCoreApplication::applicationDirPath());
}

}  // namespace
