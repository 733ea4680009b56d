// Draws the program's icon from its SVG, at build time, at each size of
// ui/icon_sides.h, into one file of premultiplied ARGB pixels, the sizes one
// after the other: drawing the SVG when the program starts took a sizeable
// share of the time to the window's first paint.
//   kesmal-render-icon SVG OUT
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

#include "ui/icon_sides.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: kesmal-render-icon SVG OUT\n", stderr);
    return 2;
  }
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  QFile out(QString::fromLocal8Bit(argv[2]));
  if (!renderer.isValid() || !out.open(QIODevice::WriteOnly)) return 1;
  for (const int side : kesmal::kIconSides) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    const auto* pixels = reinterpret_cast<const char*>(image.constBits());
    if (out.write(pixels, image.sizeInBytes()) != image.sizeInBytes()) return 1;
  }
  return out.flush() ? 0 : 1;
}
