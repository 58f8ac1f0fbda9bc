#pragma once
// The status bar's text: kept until the window logic says otherwise (a menu's
// hints do not wipe it), and cut where the window is too narrow for all of
// it: a run's progress in its middle, where the folder path stands, anything
// else at its end. The whole text is the label's tip.

#include <QLabel>
#include <QResizeEvent>
#include <QString>

namespace tandrel {

class StatusLabel : public QLabel {
 public:
  using QLabel::QLabel;

  void SetFullText(const QString& text, Qt::TextElideMode mode = Qt::ElideRight) {
    full_ = text;
    mode_ = mode;
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
  void Fit() { setText(fontMetrics().elidedText(full_, mode_, contentsRect().width())); }

  QString full_;
  Qt::TextElideMode mode_ = Qt::ElideRight;
};

}  // namespace tandrel
