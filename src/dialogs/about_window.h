#pragma once
// The About window, which also serves as the start-up splash.

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QPushButton;
class QTimer;

namespace tandrel {

// "Tandrel version 1.2.3.4" for the version this executable was built as.
QString VersionLine();

// The maker's home page, opened by the copyright line, the address line and WWW.
extern const char* const kHomePage;

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);

  // From now on every showing is centred over `window` instead of the screen.
  void CentreOver(QWidget* window) { centreOver_ = window; }

  // Opens the home page; the window stays as it is.
  void OpenHomePage();

  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SplashTimeUp();

  QLabel* background_;
  QLabel* productIcon_;
  QLabel* versionLine_;
  QLabel* copyrightLine_;
  QLabel* homePageLine_;
  QPushButton* okButton_;
  QPushButton* homePageButton_;
  // Ends the start-up splash three seconds after creation; tests find it by
  // its name "tClose" and let its time pass at once.
  QTimer* closeTimer_;
  QPointer<QWidget> centreOver_;
};

}  // namespace tandrel
