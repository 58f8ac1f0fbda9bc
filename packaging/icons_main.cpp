// Writes the program's icon for the desktop's icon theme: PNG pictures at the
// usual sizes and a scalable SVG, all drawn by the program's own painter.
//   tandrel_icons OUTPUT_FOLDER   (makes OUTPUT_FOLDER/hicolor/...)

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "dialogs/artwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tandrel_icons OUTPUT_FOLDER\n");
    return 2;
  }
  QGuiApplication application(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]) + "/hicolor/";
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = root + QString("%1x%1/apps").arg(size);
    if (!QDir().mkpath(folder) || !tandrel::ui::ProductPicture(size).save(folder + "/tandrel.png", "PNG")) {
      std::fprintf(stderr, "tandrel_icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  const QString scalable = root + "scalable/apps";
  if (!QDir().mkpath(scalable)) return 1;
  QSvgGenerator svg;
  svg.setFileName(scalable + "/tandrel.svg");
  svg.setSize(QSize(32, 32));
  svg.setViewBox(QRect(0, 0, 32, 32));
  svg.setTitle("Tandrel");
  {
    QPainter p(&svg);
    tandrel::ui::PaintProductPicture(p, 32);
  }
  return QFile::exists(scalable + "/tandrel.svg") ? 0 : 1;
}
