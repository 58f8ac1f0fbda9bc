// The program's own pictures: glyphs of the right size, visible, coloured,
// all different and with a disabled form of their own; the product icon at
// its two tuned sizes; an opaque About background.

#include "dialogs/artwork.h"

#include <QImage>
#include <QTest>

using tandrel::ui::Glyph;

namespace {

QImage Argb(const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_ARGB32); }

}  // namespace

class ArtworkTest : public QObject {
  Q_OBJECT

 private slots:
  void glyphs() {
    QList<QImage> seen;
    for (Glyph glyph : {Glyph::Sync, Glyph::ConfigGeneral, Glyph::ConfigJobs, Glyph::Ok, Glyph::HomePage}) {
      const QImage normal = Argb(tandrel::ui::GlyphImage(glyph));
      QCOMPARE(normal.size(), QSize(16, 16));
      int opaque = 0;
      bool coloured = false;
      for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
          const QRgb pixel = normal.pixel(x, y);
          if (qAlpha(pixel) == 0) continue;
          ++opaque;
          coloured = coloured || qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel);
        }
      }
      QVERIFY2(opaque > 20, "a glyph must be visible");
      QVERIFY(coloured);
      for (const QImage& other : seen) QVERIFY(other != normal);
      seen.append(normal);
      QVERIFY(Argb(tandrel::ui::GlyphIcon(glyph).pixmap(16, QIcon::Disabled)) != normal);
    }
  }

  void productIconAndBackground() {
    const QIcon icon = tandrel::ui::ProductIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
    QCOMPARE(icon.pixmap(32, 32).toImage(), tandrel::ui::ProductPicture(32).toImage());
    QCOMPARE(icon.pixmap(16, 16).toImage(), tandrel::ui::ProductPicture(16).toImage());

    const QImage background = Argb(tandrel::ui::AboutBackground());
    QCOMPARE(background.size(), QSize(350, 224));
    for (int y = 0; y < background.height(); y += 7) {
      for (int x = 0; x < background.width(); x += 7) QCOMPARE(qAlpha(background.pixel(x, y)), 255);
    }
  }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
