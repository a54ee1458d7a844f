#include "link/slotmenus.h"

#include "link/state.h"

#include <algorithm>

namespace ql {

namespace {

template <typename Ids>
int IndexIn(const Ids& ids, MenuId id)
{
    const auto at = std::find(ids.begin(), ids.end(), id);
    return at == ids.end() ? -1 : int(at - ids.begin());
}

// The slot's enabled state of the entry, or null when no slot keeps it.
template <typename Slot>
auto EnabledOf(Slot& s, MenuId id) -> decltype(&s.AdjMenuOn)
{
    if (const int i = IndexIn(kRunMenus, id); i >= 0)
        return &s.RunMenusOn[size_t(i)];
    if (id == MenuId::menuAdj)
        return &s.AdjMenuOn;
    if (id == MenuId::menuUpdate)
        return &s.UpdateMenuOn;
    return nullptr;
}

template <typename Slot>
auto ShownOf(Slot& s, MenuId id) -> decltype(&s.MenusShown[0])
{
    const int i = IndexIn(kDeviceMenus, id);
    return i >= 0 ? &s.MenusShown[size_t(i)] : nullptr;
}

} // namespace

void SetSlotMenu(LinkState& state, int slot, MenuId id, bool enabled, MenuEnableIf* menus)
{
    bool* kept = EnabledOf(state.slot.at(size_t(slot)), id);
    if (kept)
        *kept = enabled;
    if (menus && (!kept || slot == state.CurDev))
        menus->setMenuEnabled(id, enabled);
}

void SetSlotMenuShown(LinkState& state, int slot, MenuId id, bool shown, MenuEnableIf* menus)
{
    bool* kept = ShownOf(state.slot.at(size_t(slot)), id);
    if (kept)
        *kept = shown;
    if (menus && (!kept || slot == state.CurDev))
        menus->setMenuVisible(id, shown);
}

void SetSlotRunMenus(LinkState& state, int slot, const RunMenus& on, MenuEnableIf* menus)
{
    for (size_t i = 0; i < kRunMenus.size(); ++i)
        SetSlotMenu(state, slot, kRunMenus[i], on[i], menus);
}

void ShowSlotMenus(const LinkState& state, MenuEnableIf& menus)
{
    const SlotState& s = state.slot.at(size_t(state.CurDev));
    for (int i = 0; i < kMenuIds; ++i) {
        const auto id = static_cast<MenuId>(i);
        if (const bool* shown = ShownOf(s, id))
            menus.setMenuVisible(id, *shown);
        if (const bool* on = EnabledOf(s, id))
            menus.setMenuEnabled(id, *on);
    }
}

} // namespace ql
