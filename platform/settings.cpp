#include "platform/settings.h"

#include "platform/diskqueue.h"
#include "platform/numfmt.h"
#include "platform/profile.h"
#include "platform/rounding.h"
#include "platform/services.h"
#include "platform/wholefile.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>

namespace ql {

namespace {

const QString kLanguage = QStringLiteral("LANGUAGE");
const QString kData = QStringLiteral("DATA");
const QString kComm = QStringLiteral("COMM");
const QString kAuto = QStringLiteral("AUTO");
const QString kCurve = QStringLiteral("CURVE");

// ---- Value conversions ------------------------------------------------------
// Numbers are written and read with a point as decimal separator whatever
// the locale (ReadNumber).

// Rounded to the nearest whole number, halves to even, within [lo, hi].
std::optional<int64_t> toRounded(const QString& text, int64_t lo, int64_t hi)
{
    const std::optional<double> v = ReadNumber(text);
    if (!v)
        return std::nullopt;
    const double r = RoundHalfEven(*v);
    if (r < double(lo) || r > double(hi))
        return std::nullopt;
    return int64_t(r);
}

std::optional<int64_t> toInt16(const QString& text)
{
    return toRounded(text, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
}

// Whole part (rounded down) within [lo, hi].
std::optional<int64_t> toFloor(const QString& text, int64_t lo, int64_t hi)
{
    const std::optional<double> v = ReadNumber(text);
    if (!v)
        return std::nullopt;
    const double r = std::floor(*v);
    if (r < double(lo) || r > double(hi))
        return std::nullopt;
    return int64_t(r);
}

std::optional<bool> toSwitch(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> v = ReadNumber(t))
        return *v != 0;
    return std::nullopt;
}

QString switchText(bool v)
{
    return v ? QStringLiteral("True") : QStringLiteral("False");
}

// A dotted IPv4 address: four decimal numbers 0..255.
bool isIpv4(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        for (QChar c : p)
            if (c < u'0' || c > u'9')
                return false;
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

QString portKey(int slot)
{
    return QStringLiteral("PORT%1").arg(slot + 1);
}

// Readers of one key each: the stored value when it converts, else the
// key's default. The file is read once, when the reader is made; the keys
// read as ReadIni reads them, but a key this program wrote and that is not
// yet known on the disk reads as written.
class Reader {
public:
    Reader(const QString& file, const Settings& s) : file_(file), s_(s), text_(profile::load(file)) {}

    QString text(const QString& sec, const QString& key, const QString& def) const
    {
        std::optional<QString> v = text_ ? profile::find(*text_, sec, key) : std::nullopt;
        if (const QString* unsaved = s_.Unsaved(file_, sec, key))
            v = *unsaved;
        if (v && !v->isEmpty())
            return profile::cut(*v, profile::kMaxValueLength);
        return profile::cut(def, profile::kMaxValueLength);
    }
    int int16(const QString& sec, const QString& key, int def) const
    {
        return int(toInt16(text(sec, key, QString::number(def))).value_or(def));
    }
    bool flag(const QString& sec, const QString& key, bool def) const  // "0"/"1" keys
    {
        return int16(sec, key, def ? 1 : 0) != 0;
    }
    bool sw(const QString& sec, const QString& key, bool def) const  // "True"/"False" keys
    {
        return toSwitch(text(sec, key, switchText(def))).value_or(def);
    }
    int32_t color(const QString& sec, const QString& key, int32_t def) const
    {
        return int32_t(toFloor(text(sec, key, QString::number(def)), 0, 0xFFFFFF).value_or(def));
    }
    int port(int slot) const
    {
        return int(toRounded(text(kComm, portKey(slot), QStringLiteral("2")), 1, 32767).value_or(2));
    }
    int line() const
    {
        return int(toFloor(text(kData, QStringLiteral("LINE"), QStringLiteral("2")), 1, 20).value_or(2));
    }

private:
    QString file_;
    const Settings& s_;
    std::optional<QString> text_;  // the decoded file; nothing when unreadable or too large
};

QString unsavedKey(const QString& file, const QString& section, const QString& key)
{
    return file + u'\n' + section.trimmed().toLower() + u'\n' + key.trimmed().toLower();
}

float axisValue(const QString& text, float def)
{
    const std::optional<double> v = ReadNumber(text);
    if (!v || std::fabs(*v) > double(std::numeric_limits<float>::max()))
        return def;
    return float(*v);
}

int32_t timeValue(const QString& text, int32_t def)
{
    return int32_t(toRounded(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())
                       .value_or(def));
}

} // namespace

bool AxisRangeOk(float lo, float hi)
{
    return lo >= 0 && lo <= kAxisMax && hi >= 0 && hi <= kAxisMax &&
           DecimalSumCompare(lo, float(kAxisMinSpan), hi) <= 0;
}

bool TimeRangeOk(int32_t lo, int32_t hi)
{
    return lo >= 0 && lo <= kTimeAxisMax && hi >= 0 && hi <= kTimeAxisMax && int64_t(hi) >= int64_t(lo) + kTimeAxisMinSpan;
}

bool CreateSettingsFile(const QString& file)
{
    if (QFileInfo::exists(file))
        return QFileInfo(file).isFile();
    // Again under the lock, so a second instance starting at the same time
    // cannot replace the keys a first one just wrote with an empty file.
    QString error;
    const auto create = [&](QString* why) {
        const QFileInfo info(file);
        if (!info.exists())
            return SaveWholeFile(file, QByteArray(kSettingsBanner) + "\r\n", why);
        if (!info.isFile())
            *why = QStringLiteral("not a file");
        return info.isFile();
    };
    if (profile::whileLocked(file, create, &error))
        return true;
    ErrLog(QStringLiteral("ErrIni"), file + QStringLiteral(": ") + error);
    return false;
}

void Settings::Load(const QString& file)
{
    IniFile = file;
    const Reader r(file, *this);

    const int lang = r.int16(kLanguage, QStringLiteral("LANG"), 0);
    Language = (lang == 1) ? 1 : 0;
    SetLanguage(Language);

    SvrAddress = r.text(kData, QStringLiteral("SVR"), QString::fromLatin1(kDefaultServerAddress));
    if (!isIpv4(SvrAddress))
        SvrAddress = QString::fromLatin1(kDefaultServerAddress);
    Port[0] = r.port(0);
    PortText[0] = QString::number(Port[0]);

    AutoSave = r.sw(kAuto, QStringLiteral("SAVE"), false);
    PromptMsg = r.sw(kAuto, QStringLiteral("MSG"), false);
    MinHide = r.sw(kAuto, QStringLiteral("HIDE"), false);
    FloatDisp = r.sw(kAuto, QStringLiteral("DISP"), false);
    SaveCsv = r.sw(kAuto, QStringLiteral("CSV"), true);
    TempData = r.sw(kAuto, QStringLiteral("TEMP"), false);

    VolColor[0] = r.color(kData, QStringLiteral("VCOL0"), 16711680);
    CurColor[0] = r.color(kData, QStringLiteral("CCOL0"), 255);
    ReadChannel2Colors();
    PwrColor = r.color(kData, QStringLiteral("PCOL"), 32896);
    TimeColor = r.color(kData, QStringLiteral("TCOL"), 8421504);

    readAxisRanges();

    GridType1 = r.int16(kData, QStringLiteral("MDOT"), 0) != 0 ? 2 : 0;
    GridType2 = r.int16(kData, QStringLiteral("SDOT"), 1) != 0 ? 2 : 0;
    BackColor = r.color(kData, QStringLiteral("BCOL"), 16777215);
    GridColor = r.color(kData, QStringLiteral("GCOL"), 8421504);
    AxesColor = r.color(kData, QStringLiteral("ACOL"), 0);
    Line = r.line();

    ShowAh = r.flag(kData, QStringLiteral("SAH"), false);
    ShowWh = r.flag(kData, QStringLiteral("SWH"), false);
    ShowLabel = r.flag(kData, QStringLiteral("SLA"), false);
    XTime = r.sw(kData, QStringLiteral("XTIME"), true);
    AutoScale = r.flag(kData, QStringLiteral("SCALE"), true);
}

QString Settings::file() const
{
    return IniFile.isEmpty() ? SettingsFile() : IniFile;
}

void Settings::readAxisRanges()
{
    const Reader r(file(), *this);
    VY0 = axisValue(r.text(kCurve, QStringLiteral("VY0"), QStringLiteral("0")), 0);
    VY1 = axisValue(r.text(kCurve, QStringLiteral("VY1"), QStringLiteral("20")), 20);
    CY0 = axisValue(r.text(kCurve, QStringLiteral("CY0"), QStringLiteral("0")), 0);
    CY1 = axisValue(r.text(kCurve, QStringLiteral("CY1"), QStringLiteral("10")), 10);
    CT0 = timeValue(r.text(kCurve, QStringLiteral("CT0"), QStringLiteral("0")), 0);
    CT1 = timeValue(r.text(kCurve, QStringLiteral("CT1"), QStringLiteral("100")), 100);
    VoltAxisOk = AxisRangeOk(VY0, VY1);
    CurAxisOk = AxisRangeOk(CY0, CY1);
    TimeAxisOk = TimeRangeOk(CT0, CT1);
}

int Settings::ReadSlot(int slot)
{
    const Reader r(file(), *this);
    VolColor[0] = r.color(kData, QStringLiteral("VCOL0"), 16711680);
    CurColor[0] = r.color(kData, QStringLiteral("CCOL0"), 255);
    Line = r.line();
    const int port = r.port(slot);
    if (slot >= 0 && slot < kPorts) {
        Port[size_t(slot)] = port;
        PortText[size_t(slot)] = r.text(kComm, portKey(slot), QStringLiteral("2"));
    }
    return port;
}

void Settings::ReadChannel2Colors()
{
    const Reader r(file(), *this);
    VolColor[1] = r.color(kData, QStringLiteral("VCOL1"), 16711680);
    CurColor[1] = r.color(kData, QStringLiteral("CCOL1"), 255);
}

const QString* Settings::Unsaved(const QString& file, const QString& section, const QString& key) const
{
    const auto it = unsaved_->constFind(unsavedKey(file, section, key));
    return it == unsaved_->constEnd() ? nullptr : &it->value;
}

bool Settings::change(const QList<Key>& keys, Written written)
{
    const QString path = file();
    const unsigned long long id = ++changes_;
    QList<profile::Entry> entries;
    for (const Key& k : keys) {
        unsaved_->insert(unsavedKey(path, k.section, k.key), {k.value, id});
        entries.append({k.section, k.key, k.value});
    }
    const int wait = LockWait;
    const auto work = [path, entries, wait](QString* error) {
        if (profile::write(path, entries, error, wait))
            return true;
        for (const profile::Entry& e : entries)
            ErrLog(QStringLiteral("ErrIni"), QStringLiteral("%1 [%2] %3: %4").arg(path, e.section, e.key, *error));
        return false;
    };
    // Once the change is on the disk the file is read again; a failed one
    // stays in force here.
    const auto done = [unsaved = unsaved_, path, keys, id, written](bool ok, const QString&) {
        for (const Key& k : keys) {
            const QString at = unsavedKey(path, k.section, k.key);
            if (ok && unsaved->value(at).change == id)
                unsaved->remove(at);
        }
        if (written)
            written(ok);
    };
    SettingsQueue().Post(work, nullptr, done);
    return true;
}

bool Settings::SaveLanguage(int language)
{
    Language = (language == 1) ? 1 : 0;
    SetLanguage(Language);
    return change({{kLanguage, QStringLiteral("LANG"), QString::number(Language)}});
}

bool Settings::SaveServerAddress(const QString& address)
{
    // The address comes from the network: keep only a well-formed one.
    if (!isIpv4(address))
        return false;
    SvrAddress = address;
    return change({{kData, QStringLiteral("SVR"), address}});
}

bool Settings::SavePort(int slot, int port)
{
    if (slot < 0 || slot >= kPorts)
        return false;
    Port[size_t(slot)] = port;
    PortText[size_t(slot)] = QString::number(port);
    return change({{kComm, portKey(slot), PortText[size_t(slot)]}});
}

bool Settings::SaveSwitches(Written written)
{
    return change({{kAuto, QStringLiteral("MSG"), switchText(PromptMsg)},
                   {kAuto, QStringLiteral("SAVE"), switchText(AutoSave)},
                   {kAuto, QStringLiteral("HIDE"), switchText(MinHide)},
                   {kAuto, QStringLiteral("DISP"), switchText(FloatDisp)},
                   {kAuto, QStringLiteral("CSV"), switchText(SaveCsv)}},
                  std::move(written));
}

bool Settings::SaveTempData(bool checked)
{
    TempData = checked;
    return change({{kAuto, QStringLiteral("TEMP"), switchText(checked)}});
}

bool Settings::SaveCurveColor(int chn, bool current, int32_t color)
{
    if (chn < 0 || chn > 1)
        return false;
    (current ? CurColor : VolColor)[size_t(chn)] = color;
    const QString key = (current ? QStringLiteral("CCOL") : QStringLiteral("VCOL")) + QString::number(chn);
    return change({{kData, key, QString::number(color)}});
}

bool Settings::SaveDisplay(Written written)
{
    const auto k = [](const char* key, const QString& value) { return Key{kData, QString::fromLatin1(key), value}; };
    const auto bit = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    return change({k("MDOT", bit(GridType1 != 0)), k("SDOT", bit(GridType2 != 0)),
                   k("GCOL", QString::number(GridColor)), k("BCOL", QString::number(BackColor)),
                   k("ACOL", QString::number(AxesColor)), k("PCOL", QString::number(PwrColor)),
                   k("TCOL", QString::number(TimeColor)), k("XTIME", switchText(XTime)), k("SAH", bit(ShowAh)),
                   k("SWH", bit(ShowWh)), k("SLA", bit(ShowLabel)), k("SCALE", bit(AutoScale)),
                   k("LINE", QString::number(Line))},
                  std::move(written));
}

bool Settings::SaveAxisRanges(const QString& vy0, const QString& vy1, const QString& cy0, const QString& cy1,
                              const QString& ct0, const QString& ct1, Written written)
{
    const bool ok = change({{kCurve, QStringLiteral("VY0"), vy0},
                            {kCurve, QStringLiteral("VY1"), vy1},
                            {kCurve, QStringLiteral("CY0"), cy0},
                            {kCurve, QStringLiteral("CY1"), cy1},
                            {kCurve, QStringLiteral("CT0"), ct0},
                            {kCurve, QStringLiteral("CT1"), ct1}},
                           std::move(written));
    VY0 = axisValue(vy0, 0);
    VY1 = axisValue(vy1, 20);
    CY0 = axisValue(cy0, 0);
    CY1 = axisValue(cy1, 10);
    CT0 = timeValue(ct0, 0);
    CT1 = timeValue(ct1, 100);
    VoltAxisOk = AxisRangeOk(VY0, VY1);
    CurAxisOk = AxisRangeOk(CY0, CY1);
    TimeAxisOk = TimeRangeOk(CT0, CT1);
    return ok;
}

Settings& settings()
{
    static Settings s;
    return s;
}

} // namespace ql
