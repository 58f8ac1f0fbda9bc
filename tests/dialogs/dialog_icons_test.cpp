// The drawn button pictures: the right size, visible, a greyed form that is
// grey with the same outline, and no two pictures alike.

#include "dialogs/dialog_icons.h"

#include <QImage>
#include <QTest>

using tandrel::ui::DialogPicture;

class DialogIconsTest : public QObject {
  Q_OBJECT

 private slots:
  void pictures() {
    const DialogPicture all[] = {DialogPicture::Save,      DialogPicture::WasteBin,  DialogPicture::HandLeft,
                                 DialogPicture::HandRight, DialogPicture::HandUp,    DialogPicture::HandDown,
                                 DialogPicture::Door,      DialogPicture::OpenFolder};
    QList<QImage> normals;
    for (DialogPicture picture : all) {
      const QImage normal =
          tandrel::ui::DrawDialogPicture(picture, false).toImage().convertToFormat(QImage::Format_ARGB32);
      const QImage greyed =
          tandrel::ui::DrawDialogPicture(picture, true).toImage().convertToFormat(QImage::Format_ARGB32);
      QCOMPARE(normal.size(), QSize(16, 16));
      QCOMPARE(greyed.size(), QSize(16, 16));
      int opaque = 0;
      bool coloured = false;
      for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
          const QRgb n = normal.pixel(x, y);
          const QRgb g = greyed.pixel(x, y);
          QCOMPARE(qAlpha(g), qAlpha(n));
          if (qAlpha(n) == 0) continue;
          ++opaque;
          coloured = coloured || qRed(n) != qGreen(n) || qGreen(n) != qBlue(n);
          QVERIFY(qRed(g) == qGreen(g) && qGreen(g) == qBlue(g));
          QVERIFY(qRed(g) >= 128);  // light, as disabled pictures are
        }
      }
      QVERIFY2(opaque > 40, "a picture must be visible");
      QVERIFY(coloured);
      for (const QImage& other : normals) QVERIFY(other != normal);
      normals.append(normal);
    }
    const QIcon icon = tandrel::ui::DialogIcon(DialogPicture::Door);
    QVERIFY(icon.pixmap(16, 16, QIcon::Normal).toImage() != icon.pixmap(16, 16, QIcon::Disabled).toImage());
  }
};

QTEST_MAIN(DialogIconsTest)
#include "dialog_icons_test.moc"
