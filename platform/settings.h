#pragma once
// The settings file ql.ini: what the user set between two sessions. Load()
// reads every key once at start-up; the slot set-up re-reads the few keys a
// new slot needs; each dialog or menu that changes a setting writes its keys
// at once through the Save* writers below. Nothing is written at shut-down.
//
// A writer changes the fields at once and hands its keys to the settings
// file's queue (platform/diskqueue.h) as one change: read, changed and
// written under the file's lock, which is waited for LockWait at most. The
// interface thread never waits for it. Until the change is on the disk (and
// after it failed), this program's re-reads of those keys give the new
// values.
//
// A missing key, an empty value or a value that cannot be converted reads as
// that key's default. Colours are Windows COLORREF values (0x00BBGGRR).
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace ql {

// The one line a new settings file holds.
inline constexpr char kSettingsBanner[] = ";--------QL Config File----------";

// The server address used while DATA/SVR is unset.
inline constexpr char kDefaultServerAddress[] = "127.0.0.1";

// Axis bounds the settings and the axis-range dialog accept.
inline constexpr float kAxisMax = 100.0f;      // voltage and current, V and A
inline constexpr double kAxisMinSpan = 0.1;
inline constexpr int32_t kTimeAxisMax = 60000;  // seconds
inline constexpr int32_t kTimeAxisMinSpan = 10;

// True when lo..hi is a usable voltage or current axis: both within 0..100
// and hi at least lo + 0.1, reckoned in decimal (0.6..0.7 is usable).
bool AxisRangeOk(float lo, float hi);
// True when lo..hi is a usable time axis: both within 0..60000, span >= 10.
bool TimeRangeOk(int32_t lo, int32_t hi);

// Creates the settings file holding only the banner line when it is
// missing; an existing file is left untouched. False when the file is
// missing afterwards (a folder without write access).
bool CreateSettingsFile(const QString& file);

struct Settings {
    static constexpr int kPorts = 10;  // PORT1..PORT10 for slots 0..9

    // The file read and written; set by Load(). Until then the writers use
    // SettingsFile().
    QString IniFile;

    // LANGUAGE
    int Language = 0;  // LANG: 1 Traditional Chinese, else 0

    // DATA
    QString SvrAddress = QString::fromLatin1(kDefaultServerAddress);  // SVR, a dotted IPv4 address

    // COMM: PORT<n+1> for slot n, the number after "COM" of the port the
    // slot last connected. Port holds it as a number; PortText as the slot's
    // panel proposes it after "COM": slot 0's number at start-up, an added
    // slot's key as stored (a text such as "07" names no port).
    std::array<int, kPorts> Port{2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
    std::array<QString, kPorts> PortText{};

    // AUTO
    bool AutoSave = false;   // SAVE
    bool PromptMsg = false;  // MSG
    bool MinHide = false;    // HIDE
    bool FloatDisp = false;  // DISP
    bool SaveCsv = true;     // CSV
    bool TempData = false;   // TEMP: check mark of the temperature menu entry

    // DATA: curve colours per channel (0 = channel 1, 1 = channel 2).
    std::array<int32_t, 2> VolColor{16711680, 16711680};  // VCOL0, VCOL1
    std::array<int32_t, 2> CurColor{255, 255};            // CCOL0, CCOL1
    int32_t PwrColor = 32896;     // PCOL
    int32_t TimeColor = 8421504;  // TCOL
    int32_t BackColor = 16777215; // BCOL
    int32_t GridColor = 8421504;  // GCOL
    int32_t AxesColor = 0;        // ACOL
    int GridType1 = 0;            // MDOT: 0 solid, 2 dotted (any stored value but 0)
    int GridType2 = 2;            // SDOT
    int Line = 2;                 // LINE: curve line width
    bool ShowAh = false;          // SAH
    bool ShowWh = false;          // SWH
    bool ShowLabel = false;       // SLA
    bool XTime = true;            // XTIME
    bool AutoScale = true;        // SCALE

    // CURVE: axis ranges as read; applied to a chart only when the
    // matching *Ok flag is set (otherwise the chart keeps its own range).
    float VY0 = 0, VY1 = 20;
    float CY0 = 0, CY1 = 10;
    int32_t CT0 = 0, CT1 = 100;
    bool VoltAxisOk = true, CurAxisOk = true, TimeAxisOk = true;

    // Start-up: reads every key of the file (PORT1 for slot 0, the channel-2
    // colours too) and applies Language with SetLanguage. Does not create
    // the file; see CreateSettingsFile.
    void Load(const QString& file);

    // Adding slot n: re-reads VCOL0, CCOL0, LINE and the slot's port key;
    // returns the port number.
    int ReadSlot(int slot);
    // Two-channel set-up: re-reads VCOL1 and CCOL1.
    void ReadChannel2Colors();

    // Writers. Each updates the fields and hands its keys to the queue as
    // one change. False when the value is refused (nothing is written);
    // else written(ok) runs on the interface thread once the change was
    // written (ok) or failed (logged as "ErrIni"; the fields keep the new
    // values all the same).
    using Written = std::function<void(bool ok)>;
    bool SaveLanguage(int language);              // LANG "0"/"1"; applies it
    bool SaveServerAddress(const QString& address);  // refuses all but a dotted IPv4 address
    // PORT<slot+1>: the number of the port the slot connected.
    bool SavePort(int slot, int port);
    bool SaveSwitches(Written written = {});      // MSG, SAVE, HIDE, DISP, CSV from the fields
    bool SaveTempData(bool checked);              // TEMP
    bool SaveCurveColor(int chn, bool current, int32_t color);  // VCOL<chn> / CCOL<chn>
    // MDOT, SDOT, GCOL, BCOL, ACOL, PCOL, TCOL, XTIME, SAH, SWH, SLA, SCALE, LINE
    bool SaveDisplay(Written written = {});
    // The axis-range dialog: writes the six texts as typed, then reads them
    // back into the fields with the range checks.
    bool SaveAxisRanges(const QString& vy0, const QString& vy1, const QString& cy0, const QString& cy1,
                        const QString& ct0, const QString& ct1, Written written = {});

    // The longest a change waits for the file's lock.
    int LockWait = 5000;  // ms

    // What this program wrote to key of section and is not yet known on
    // the disk; nothing when there is no such write.
    const QString* Unsaved(const QString& file, const QString& section, const QString& key) const;

private:
    struct Key {
        QString section, key, value;
    };
    QString file() const;  // IniFile, or SettingsFile() before Load
    void readAxisRanges();
    // Hands keys to the settings file's queue as one change.
    bool change(const QList<Key>& keys, Written written = {});

    struct Unwritten {
        QString value;
        unsigned long long change = 0;  // the change that wrote it
    };
    // By file, section and key; shared with the changes on the queue.
    std::shared_ptr<QHash<QString, Unwritten>> unsaved_ = std::make_shared<QHash<QString, Unwritten>>();
    unsigned long long changes_ = 0;
};

// The program-wide settings.
Settings& settings();

} // namespace ql
