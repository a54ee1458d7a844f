#pragma once
// frmUpdate: firmware update of a device through its resident boot loader,
// on a serial port of its own (the port named in the current panel's port
// field, which the panel must not hold). Identify synchronises, reads the
// device type and firmware id and offers the model's update (each model
// listed once); Update checks that the image fits the device, reads the id
// again and goes on only when the device on the line is the one the chosen
// model names, then erases it, writes the image in 128-byte blocks (reading
// each back) and starts the new firmware.
//
// Firmware images are not part of this program. ImageFor gives the image of
// an id; by default it reads "Firmware/<id>.bin" in the program folder, so
// the user supplies the maker's image files there. An id without a file is
// a failed update before anything is sent.
#include "tools/bootloader.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QPushButton;

namespace ql {

class ToolHost;
class ucProgressBar;

class frmUpdate : public QWidget {
    Q_OBJECT
public:
    explicit frmUpdate(ToolHost& host, QWidget* parent = nullptr);
    ~frmUpdate() override;

    void cmdOpen_Click();    // Identify
    void cmdUpdate_Click();  // Update

    // The model name offered for a device type and firmware id; empty when
    // there is no update.
    static QString OfferFor(int bootType, int fwId);
    // The device type a model name is offered for; 0 for none.
    static int TypeFor(const QString& model);
    // The image id chosen by a model name.
    static int ImageIdFor(const QString& model, int bootType);
    // Image bytes by id; empty when there is none.
    std::function<QByteArray(int id)> ImageFor;
    // Pause between synchronisation attempts.
    int retryPauseMs = 200;

    BootLoader Boot;
    bool Synced = false;
    QComboBox* cmbDev;
    ucProgressBar* pbFw;
    QPushButton *cmdOpen, *cmdUpdate;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool openPort();
    void closePort();
    void failUpdate();
    void pause();
    ToolHost& host_;
    bool busy_ = false;
    bool closeWanted_ = false;
};

} // namespace ql
