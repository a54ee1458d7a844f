#pragma once
// frmRes: internal-resistance test of a single cell on the selected channel.
// Test sends the resistance-test frame with the test current; the device
// reports the voltage drop in its next idle data reply, which the reply
// decoder keeps in ResVolt (taken only from the tested slot and channel,
// after the frame went out). A one-second poll shows the resistance in
// milliohms as soon as it arrives, and gives up at the fourth tick.
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTimer;

namespace ql {

class ToolHost;

class frmRes : public QWidget {
    Q_OBJECT
public:
    explicit frmRes(ToolHost& host, QWidget* parent = nullptr);

    // The check on leaving the current box; false when it refused the text.
    bool txtCap_LostFocus();
    // Starts a test; false when it refused (nothing sent).
    bool cmdTest_Click();
    void Timer1_Timer();
    // Builds and writes the frame for the test current in mA; returns the
    // current in mA the device is asked for (0 when nothing could be built).
    int SendResTest(double milliamps);

    QLineEdit *txtCap, *txtRes;
    QPushButton* cmdTest;
    QTimer* Timer1;
    int ResTicks = 0;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int chn() const;
    ToolHost& host_;
    int slot_ = 0;
    int testMilliamps_ = 0;  // the current the device applies in this test
    bool checking_ = false;
};

// Milliohms from the voltage drop and the test current.
double ResistanceMilliohms(float volts, double milliamps);

} // namespace ql
