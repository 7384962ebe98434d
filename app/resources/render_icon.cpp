// Renders one of the application's SVG icons to a PNG at build time:
//   pixoria_render_icon SOURCE.svg OUTPUT.png SIZE [COLOR]
// The monochrome sources paint in "currentColor"; COLOR (a CSS colour such as #ffffff) replaces it,
// so one drawing gives the black, white and gray variants.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

namespace {

int fail(const char* what, const char* path) {
  std::fprintf(stderr, "pixoria_render_icon: %s %s\n", what, path);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: pixoria_render_icon SOURCE.svg OUTPUT.png SIZE [COLOR]\n");
    return 2;
  }
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    return fail("cannot read", argv[1]);
  }
  QByteArray svg = source.readAll();
  if (argc == 5) {
    svg.replace("currentColor", argv[4]);
  }

  const int size = QByteArray(argv[3]).toInt();
  QSvgRenderer renderer(svg);
  if (size <= 0 || !renderer.isValid()) {
    return fail("cannot render", argv[1]);
  }

  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    return fail("cannot write", argv[2]);
  }
  return 0;
}
