// The pictures as Qt images: every pixel as drawn, a disabled form of each
// glyph, and the About background with its title written on it.

#include "dialogs/artwork.h"

#include <QTest>

using tandrel::ui::Glyph;

class ArtworkTest : public QObject {
  Q_OBJECT

 private slots:
  void imagesKeepEveryPixel() {
    tandrel::ui::Bitmap bitmap(2, 1);
    bitmap.At(0, 0) = tandrel::ui::Rgba(10, 20, 30, 255);
    bitmap.At(1, 0) = tandrel::ui::Rgba(200, 100, 50, 128);
    const QImage image = tandrel::ui::ToImage(bitmap);
    QCOMPARE(image.pixel(0, 0), qRgba(10, 20, 30, 255));
    QCOMPARE(image.pixel(1, 0), qRgba(200, 100, 50, 128));
  }

  void iconsHaveANormalAndADisabledImage() {
    for (Glyph glyph : {Glyph::Sync, Glyph::Door}) {
      const QIcon icon = tandrel::ui::GlyphIcon(glyph);
      const QImage normal = icon.pixmap(16, QIcon::Normal).toImage();
      QCOMPARE(normal.size(), QSize(16, 16));
      QVERIFY(normal != icon.pixmap(16, QIcon::Disabled).toImage());
    }
    QCOMPARE(tandrel::ui::ProductIcon().availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
  }

  void theAboutBackgroundCarriesItsTitle() {
    const QImage plain = tandrel::ui::ToImage(tandrel::ui::DrawAboutBackground());
    const QImage titled = tandrel::ui::AboutBackground().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(titled.size(), plain.size());
    const auto& title = tandrel::ui::kAboutTitle;
    QVERIFY(titled.copy(title.left, title.top, title.width, title.height) !=
            plain.copy(title.left, title.top, title.width, title.height));
    QCOMPARE(titled.copy(0, 0, plain.width(), title.top), plain.copy(0, 0, plain.width(), title.top));
  }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
