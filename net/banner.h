#pragma once
// frmBanner: the news server's banner picture in a small borderless window
// at the bottom-right corner of its owner. It fades in to opacity 220 in
// steps of 5 every 25 ms, opens its link when clicked, and fades out (in
// steps of 5) before it closes, also when something else closes it.
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

namespace ql {

class frmBanner : public QWidget {
    Q_OBJECT
public:
    static constexpr int kAlphaStep = 5;
    static constexpr int kAlphaTop = 220;
    static constexpr int kFadeStepMs = 25;
    // Pictures larger than this in either direction are not shown.
    static constexpr int kMaxSide = 4096;

    // owner: the window whose bottom-right corner the banner sits in.
    explicit frmBanner(QWidget* owner);

    void SetUrl(const QString& url);
    // Shows the picture file when it exists and reads as a picture of at
    // most kMaxSide pixels a side; false (and the picture unchanged) otherwise.
    bool ShowPic(const QString& path);

    // Opens a link; by default through the desktop's web browser.
    std::function<void(const QString& url)> openUrl;

    int alpha() const { return alpha_; }
    QString url() const { return url_; }

    QLabel* Picture1;
    QTimer* Timer1;  // fade-in step
    QTimer* Timer2;  // fade-out step

public slots:
    void Timer1_Timer();
    void Timer2_Timer();
    void Picture1_Click();

protected:
    void closeEvent(QCloseEvent* event) override;  // Form_Unload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyAlpha();
    void placeInOwner(QWidget* owner);

    QString url_;
    int alpha_ = 0;
    bool closing_ = false;
};

} // namespace ql
