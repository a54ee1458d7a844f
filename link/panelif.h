#pragma once
// What the device link uses of a device panel. Widgets implement it, tests
// fake it; the link never sees a widget. Channel arguments are 0 or 1; in
// the single-channel layout the one field of each kind answers for both.
#include <QString>

namespace ql {

class PanelIf {
public:
    virtual ~PanelIf() = default;

    // Set value, limit and third value (minutes or cut-off current) as typed.
    virtual QString tSval(int chn) const = 0;
    virtual void setTSval(int chn, const QString& text) = 0;
    virtual QString tSlmt(int chn) const = 0;
    virtual QString tStim(int chn) const = 0;

    // "1" when the two-channel layout shows and its second-channel option is
    // chosen, otherwise "0" (also when both channels are chosen).
    virtual QString chn() const = 0;

    // The list of serial ports offered for connecting, and the port field.
    virtual void PortClr() = 0;
    virtual void PortAdd(const QString& name) = 0;
    virtual QString tPort() const = 0;
    virtual void setTPort(const QString& name) = 0;
};

} // namespace ql
