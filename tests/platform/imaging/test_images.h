// Real image files for the imaging tests, written and read with the system's libraries, and the
// agent's fitting sequence run step by step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pixoria/platform/imaging.h"

namespace pixoria::test {

struct Rgb {
  int r = 0, g = 0, b = 0;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top to bottom, no padding

  Rgb at(int x, int y) const;
};

Picture makePicture(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

void writeJpeg(const std::string& path, const Picture& picture, int quality = 95);

// How a JPEG is written: sampling factors of the luma (chroma is 1x1), greyscale, progressive,
// restart markers every so many rows of units.
struct JpegOptions {
  int quality = 95;
  int lumaHorizontal = 2;
  int lumaVertical = 2;
  bool grey = false;
  bool progressive = false;
  int restartRows = 0;
};
void writeJpeg(const std::string& path, const Picture& picture, const JpegOptions& options);
void writePng(const std::string& path, const Picture& picture);
Picture readJpeg(const std::string& path);

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> names() const;

 private:
  std::string path_;
};

// What the agent does with a downloaded file: load, canvas of the screen's size, draw scaled to
// the screen's longer side at the top-left, save as JPEG. The first failing status is returned.
platform::GpStatus fitLikeTheAgent(const std::string& source, const std::string& destination,
                                   int screenWidth, int screenHeight);

// Loads `source` and draws it into a black canvas; the canvas's pixels, or an empty picture and
// the failing status.
Picture drawIntoCanvas(const std::string& source, int canvasWidth, int canvasHeight, float dstX,
                       float dstY, float dstWidth, float dstHeight,
                       platform::GpStatus* status = nullptr);

}  // namespace pixoria::test
