#pragma once
// The about box, the fading message window and the switch-settings dialog.
#include <QDialog>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace ql {

// Program title and the maker's web page.
extern const char* const kAppTitle;    // "QL Tester Software"
extern const char* const kMakerUrl;

// Makes a window translucent with the given opacity 0..255.
void SetTranslucent(QWidget* window, int alpha);

// Centres a window on its screen.
void CentreOnScreen(QWidget* window);

// frmAbout: title, version line, the program folder, the maker's web
// address and OK.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    QLabel* lblTitle;
    QLabel* lblVer;
    QLabel* lblPath;  // where the settings, data files and logs are kept
    QLabel* Label1;
    QLabel* Image1;
    QPushButton* cmdOK;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// frmMsg: a short text that fades in to opacity 200 in steps of 5 every
// 25 ms, and fades out and closes itself after a click or a close request.
class frmMsg : public QWidget {
    Q_OBJECT
public:
    explicit frmMsg(QWidget* parent = nullptr);
    void setText(const QString& text);
    int alpha() const { return alpha_; }
    QTimer* Timer1;  // fade-in step
    QTimer* Timer2;  // fade-out step
    QLabel* lblMsg;

public slots:
    void fadeInTick();
    void fadeOutTick();
    void startFadeOut();

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int alpha_ = 0;
    bool mayClose_ = false;
};

// frmSw: edits the five switches of the settings section AUTO (AutoSave,
// PromptMsg, MinHide, FloatDisp, SaveCsv of ql::settings()); OK stores them
// and writes their keys.
class frmSw : public QDialog {
    Q_OBJECT
public:
    // dataPath: the folder shown for automatic data files.
    explicit frmSw(const QString& dataPath, QWidget* parent = nullptr);
    QCheckBox* chkAuto;
    QCheckBox* chkMsg;
    QCheckBox* chkHide;
    QCheckBox* chkDisp;
    QRadioButton* optCsv;
    QRadioButton* optDat;
    QLineEdit* txtPath;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private slots:
    void okClicked();

private:
};

} // namespace ql
