#include "panel/modesetup.h"

#include "link/modefields.h"
#include "link/runtrack.h"
#include "panel/devctrl.h"
#include "platform/services.h"

namespace ql {

unsigned SetupModeFields(LinkState& state, int slot, int chn, DevCtrl& panel)
{
    SlotState& s = state.slot.at(size_t(slot));
    if (s.DevType == 0)
        return 0;
    const ChanState& c = s.chn.at(size_t(chn));

    ModeFieldsIn in;
    in.DevType = s.DevType;
    in.mode = c.ChnMode;
    in.dev2S = s.Dev2S;
    in.S = c.SetRaw;
    in.L = c.LmtRaw;
    in.T = c.TimRaw;
    in.CurFactor = s.CurFactor;
    in.VolFactor = s.VolFactor;
    in.PwrFactor = s.PwrFactor;
    const ModeFields f = ComputeModeFields(in);

    // The mode box shows the channel's mode (selecting it by program raises
    // the mode click, which finds the mode already stored); a mode the list
    // does not have shows as no entry.
    panel.setTMode(c.ChnMode >= 0 && c.ChnMode < panel.ModeCnt() ? panel.ModeTxt(c.ChnMode) : QString());

    panel.setLSval(chn, Lang(f.lSval));
    panel.setSvalEnable(chn, f.SvalEnable);
    panel.setSlmtEnable(chn, f.SlmtEnable);
    panel.setStimEnable(chn, f.StimEnable);
    panel.setLSlmt(chn, Lang(f.lSlmt));
    panel.setLStimt(chn, f.lStimt);
    panel.setLStim(chn, Lang(f.lStim));

    // Units and values go to the record of the field channel, then show.
    ChanState& fields = s.chn.at(size_t(s.FieldChn(chn)));
    fields.SvalUnit = f.lSvalt;
    fields.SlmtUnit = f.lSlmtt;
    fields.StimText = f.tStim.text();
    if (f.tSval)
        fields.SvalText = f.tSval->text();
    if (f.tSlmt)
        fields.SlmtText = f.tSlmt->text();
    panel.ShowFields(chn);

    CapacityCells(s.chn.at(size_t(chn)));
    return RunViewIf::RunCells;
}

std::array<unsigned, kChanCount> ModeClicked(LinkState& state, int slot, DevCtrl& panel)
{
    std::array<unsigned, kChanCount> shown{};
    SlotState& s = state.slot.at(size_t(slot));
    const int mode = panel.ModeIdx();
    ChanState& c0 = s.chn[0];
    if (c0.ChnMode == mode)
        return shown;
    c0.ChnMode = int16_t(mode);
    const ModeReset r = ModeResetValues(s.DevType, mode, s.CurFactor, s.MinCur, s.VolFactor, s.MinVol);
    c0.SetRaw = r.SetRaw;
    c0.LmtRaw = r.LmtRaw;
    c0.TimRaw = 0;
    shown[0] = SetupModeFields(state, slot, 0, panel);

    if (s.Dev2S) {
        // The second channel follows the first, its values back to 0.
        ChanState& c1 = s.chn[1];
        c1.ChnMode = int16_t(mode);
        c1.SetRaw = 0;
        c1.LmtRaw = 0;
        c1.TimRaw = 0;
        shown[1] = SetupModeFields(state, slot, 1, panel);
    }
    return shown;
}

} // namespace ql
