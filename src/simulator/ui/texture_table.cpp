#include "simulator/ui/texture_table.h"

#include <QDir>

namespace velmora {

TextureTable LoadTextures(const QString& baseDirectory,
                          const std::function<void(const std::string& relativeName)>& onFailure,
                          const std::function<bool()>& keepGoing) {
  TextureTable table;
  const QDir dir(baseDirectory);
  for (int i = 0; i < kTextureCount; ++i) {
    if (keepGoing && !keepGoing()) break;
    const std::string relative = kTextureFiles[static_cast<std::size_t>(i)];
    QImage image(dir.filePath(QString::fromStdString(relative)));
    if (image.isNull()) {
      if (onFailure) onFailure(relative);
      continue;
    }
    table[static_cast<std::size_t>(i)] = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return table;
}

QString TextureFailureText(const std::string& relativeName) {
  return QStringLiteral("テクスチャファイルの読み込みに失敗しました。\n'%1'")
      .arg(QString::fromStdString(relativeName));
}

}  // namespace velmora
