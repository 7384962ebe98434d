#include "form/preview_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <string>
#include <vector>

#include "pixoria/platform/imaging.h"

namespace pf = pixoria::platform;

namespace {

constexpr qint64 kCopyChunk = 256 * 1024;
// Less than this left on the disk after a failed write is read as the disk being full.
constexpr qint64 kNearlyFull = 4 * 1024 * 1024;

enum class ImageKind { other, png, jpeg };

ImageKind kindOfSuffix(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("png")) {
    return ImageKind::png;
  }
  if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
    return ImageKind::jpeg;
  }
  return ImageKind::other;
}

// The preview file's format by its first bytes: the name image2.jpg says nothing, as feeds also
// send PNG.
ImageKind kindOfContent(const QByteArray& head) {
  if (head.startsWith("\x89PNG\r\n\x1a\n")) {
    return ImageKind::png;
  }
  if (head.startsWith("\xff\xd8\xff")) {
    return ImageKind::jpeg;
  }
  return ImageKind::other;
}

QString copyWhole(QFile& source, const QString& destination) {
  QSaveFile out(destination);
  if (!out.open(QIODevice::WriteOnly)) {
    return out.errorString();
  }
  std::vector<char> chunk(kCopyChunk);
  for (;;) {
    const qint64 read = source.read(chunk.data(), kCopyChunk);
    if (read < 0) {
      return QStringLiteral("The preview file cannot be read: ") + source.errorString();
    }
    if (read == 0) {
      break;
    }
    if (out.write(chunk.data(), read) != read) {
      return out.errorString();
    }
  }
  if (!out.commit()) {
    return out.errorString();
  }
  return QString();
}

QString encoderClsid(ImageKind kind) {
  const char* mime = kind == ImageKind::png ? "image/png" : "image/jpeg";
  std::vector<pf::ImageCodecInfo> encoders;
  if (pf::getImageEncoders(encoders) == pf::GpStatus::ok) {
    for (const pf::ImageCodecInfo& encoder : encoders) {
      if (encoder.mimeType == mime) {
        return QString::fromStdString(encoder.clsid);
      }
    }
  }
  return QString();
}

QString conversionFailure(pf::GpStatus status, const QString& destination) {
  switch (status) {
    case pf::GpStatus::win32Error: {
      const QStorageInfo disk(QFileInfo(destination).absolutePath());
      if (disk.isValid() && disk.bytesAvailable() < kNearlyFull) {
        return QStringLiteral("No space left on the disk");
      }
      return QStringLiteral("The file could not be written");
    }
    case pf::GpStatus::outOfMemory:
      return QStringLiteral("The preview picture is too large to convert");
    default:
      return QStringLiteral("The preview picture could not be read");
  }
}

QString convert(const QString& source, const QString& destination, ImageKind kind) {
  const QString clsid = encoderClsid(kind);
  if (clsid.isEmpty()) {
    return QStringLiteral("No encoder for this format");
  }
  pf::ImagePtr image;
  // The platform layer takes UTF-8 (QFile::encodeName is the ANSI code page on Windows).
  pf::GpStatus status = pf::loadImageFromFile(source.toStdString(), image);
  if (status == pf::GpStatus::ok) {
    status = pf::saveImageToFile(image.get(), destination.toStdString(), clsid.toStdString());
  }
  return status == pf::GpStatus::ok ? QString() : conversionFailure(status, destination);
}

}  // namespace

QString withImageSuffix(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
    return path;
  }
  return path + QStringLiteral(".png");
}

QString exportPreviewImage(const QString& source, const QString& destination) {
  const ImageKind wanted = kindOfSuffix(destination);
  if (wanted == ImageKind::other) {
    return QStringLiteral("Pictures are saved as PNG (.png) or JPEG (.jpg) files");
  }
  QFile input(source);
  if (!input.open(QIODevice::ReadOnly)) {
    return QStringLiteral("The preview file cannot be read: ") + input.errorString();
  }
  if (kindOfContent(input.peek(8)) == wanted) {
    return copyWhole(input, destination);
  }
  input.close();
  // Opened once before converting, so a folder that cannot be written is reported in the
  // system's own words; the conversion itself replaces the file atomically.
  QSaveFile probe(destination);
  if (!probe.open(QIODevice::WriteOnly)) {
    return probe.errorString();
  }
  probe.cancelWriting();
  return convert(source, destination, wanted);
}
