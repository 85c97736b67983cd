#include "controls/pictures.h"

#include <QDir>
#include <QHash>

// A static library's resources are only linked in when something refers to
// their initializer, and the macro must be used outside any namespace.
static void initPictureResources() { Q_INIT_RESOURCE(controls_pictures); }

namespace controls {

QPixmap loadPicture(const QString& name) {
  static const QHash<QString, QString> files = [] {
    initPictureResources();
    QHash<QString, QString> byName;
    const QDir dir(QStringLiteral(":/controls/pictures"));
    for (const QString& file : dir.entryList(QDir::Files))
      byName.insert(QFileInfo(file).completeBaseName().toLower(), dir.filePath(file));
    return byName;
  }();
  const auto it = files.constFind(name.toLower());
  if (it == files.constEnd()) return {};
  return QPixmap(*it);
}

}  // namespace controls
