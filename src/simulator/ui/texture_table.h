#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <functional>
#include <string>

#include "simulator/sprites.h"

namespace velmora {

// The seven arm textures, in TextureTable order, as premultiplied ARGB images. An entry whose file
// could not be read stays null and its sprite is drawn untextured in its vertex colour.
using TextureTable = std::array<QImage, kTextureCount>;

// Loads every entry from `baseDirectory`/skin/... . For each file that cannot be read, calls
// `onFailure` with its relative name ("skin/yaw.PNG") before going on with the next; loading as a
// whole never fails. `keepGoing` is asked before each file, so a shutdown can cut it short.
TextureTable LoadTextures(const QString& baseDirectory,
                          const std::function<void(const std::string& relativeName)>& onFailure,
                          const std::function<bool()>& keepGoing = nullptr);

// The message shown for a texture that could not be read.
QString TextureFailureText(const std::string& relativeName);

}  // namespace velmora
