// The layout is told from where the data lies; installed, every written
// file goes to the user's XDG folders.
#include "common/Paths.h"
#include "support/TempDir.h"

#include <QDir>
#include <gtest/gtest.h>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Points HOME and the XDG folders into dir for one test, and puts back
// what was there (set or not) afterwards.
class UserFolders {
public:
  explicit UserFolders(const ScopedTempDir &dir) {
    for (const char *name : kNames) {
      m_saved.push_back({qEnvironmentVariableIsSet(name), qgetenv(name)});
      const QString place = std::string_view(name) == "HOME"
                                ? dir.file("home")
                                : dir.file(QString("home/") + name);
      qputenv(name, place.toLocal8Bit());
    }
  }
  ~UserFolders() {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      if (m_saved[i].first)
        qputenv(kNames[i], m_saved[i].second);
      else
        qunsetenv(kNames[i]);
    }
  }

private:
  static constexpr const char *kNames[] = {"XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                           "XDG_STATE_HOME", "XDG_DATA_HOME",
                                           "HOME"};
  std::vector<std::pair<bool, QByteArray>> m_saved;
};

} // namespace

TEST(Paths, LayoutFollowsTheData) {
  ScopedTempDir dir;
  UserFolders user(dir);
  const QString home = dir.file("home/");
  ASSERT_TRUE(QDir().mkpath(dir.file("usr/bin")));
  ASSERT_TRUE(QDir().mkpath(dir.file("usr/share/quorvane/Languages")));

  // Data under ../share/quorvane: installed.
  const Paths installed = Paths::forExecutable(
      dir.file("usr/bin/quorvane"), "../share/quorvane", "../libexec/quorvane");
  EXPECT_EQ(installed.layout(), PathLayout::Installed);
  EXPECT_EQ(installed.dataDir(), dir.file("usr/share/quorvane/"));
  EXPECT_EQ(installed.configDir(), home + "XDG_CONFIG_HOME/quorvane/");
  EXPECT_EQ(installed.stateDir(), home + "XDG_STATE_HOME/quorvane/");
  EXPECT_EQ(installed.tempDir(), home + "XDG_CACHE_HOME/quorvane/temp/");
  EXPECT_EQ(installed.converterDir(), dir.file("usr/libexec/quorvane/"));
  EXPECT_EQ(installed.defaultVideoDir(), home + "Videos/");
  EXPECT_EQ(installed.defaultPictureDir(), home + "Pictures/");
  EXPECT_EQ(installed.languageDirs(),
            QStringList({dir.file("usr/share/quorvane/Languages/"),
                         home + "XDG_DATA_HOME/quorvane/Languages/"}));
  for (const QString &d :
       {installed.configDir(), installed.stateDir(), installed.workDir()})
    EXPECT_TRUE(QDir(d).exists()) << d.toStdString();

  // Data beside the executable wins, even with ../share/quorvane there; no
  // data at all is the portable layout too, as for a bare test folder.
  ASSERT_TRUE(QDir().mkpath(dir.file("usr/bin/Languages")));
  for (const QString &exe :
       {dir.file("usr/bin/quorvane"), dir.file("bare/quorvane")}) {
    const Paths portable = Paths::forExecutable(exe);
    const QString beside = QFileInfo(exe).path() + '/';
    EXPECT_EQ(portable.layout(), PathLayout::Portable);
    for (const QString &d :
         {portable.dataDir(), portable.configDir(), portable.stateDir(),
          portable.workDir(), portable.converterDir(),
          portable.defaultVideoDir(), portable.defaultPictureDir()})
      EXPECT_EQ(d, beside);
    EXPECT_EQ(portable.languageDirs(), QStringList{beside + "Languages/"});
  }
  EXPECT_FALSE(QDir(dir.file("bare")).exists());
}
