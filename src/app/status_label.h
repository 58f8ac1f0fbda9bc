#pragma once
// The status bar's text: kept until the window logic says otherwise (a menu's
// hints do not wipe it), and cut in its middle, where a run's folder path
// stands, when the window is too narrow for all of it.

#include <QLabel>
#include <QResizeEvent>
#include <QString>

namespace tandrel {

class StatusLabel : public QLabel {
 public:
  using QLabel::QLabel;

  void SetFullText(const QString& text) {
    full_ = text;
    setToolTip(text);
    Fit();
  }
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Fit();
  }
  // Any width will do: the text is cut to fit whatever the bar gives it.
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 private:
  void Fit() { setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width())); }

  QString full_;
};

}  // namespace tandrel
