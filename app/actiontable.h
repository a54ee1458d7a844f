#pragma once
// The main-window menu entries that the link and the panels switch, held
// once by id when the menus are built. The table keeps the states it last
// applied and calls Qt only when a state changes: the receive path asks
// for the same states on every frame of every slot.
#include "link/hostif.h"

#include <array>
#include <memory>

class QAction;
class QObject;

namespace ql {

class ActionTable final : public MenuEnableIf {
public:
    ActionTable();
    ~ActionTable() override;
    ActionTable(const ActionTable&) = delete;
    ActionTable& operator=(const ActionTable&) = delete;

    // Holds the entry under its id; its present states are the first ones
    // known. Every later change of these states goes through the table; an
    // entry changed behind its back while shown is read back.
    void hold(MenuId id, QAction* action);
    QAction* action(MenuId id) const { return entries_[index(id)].action; }

    void setEnabled(MenuId id, bool enabled);
    void setVisible(MenuId id, bool visible);

    // MenuEnableIf
    void setMenuVisible(MenuId id, bool visible) override { setVisible(id, visible); }
    void setMenuEnabled(MenuId id, bool enabled) override { setEnabled(id, enabled); }

private:
    struct Entry {
        QAction* action = nullptr;
        bool enabled = false;  // as last asked for; a hidden entry shows it once shown
        bool visible = false;
    };
    static size_t index(MenuId id) { return static_cast<size_t>(id); }
    // Applies a state that differs from the one last applied.
    void set(MenuId id, bool Entry::*state, void (QAction::*apply)(bool), bool on);

    std::array<Entry, kMenuIds> entries_{};
    std::unique_ptr<QObject> watch_;  // receiver of the entries' change signals
};

} // namespace ql
