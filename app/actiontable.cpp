#include "app/actiontable.h"

#include <QAction>
#include <QObject>

namespace ql {

ActionTable::ActionTable() : watch_(std::make_unique<QObject>()) {}

// The watch object goes first: no change signal reaches a table that is gone.
ActionTable::~ActionTable() = default;

void ActionTable::hold(MenuId id, QAction* action)
{
    Entry& e = entries_[index(id)];
    e.action = action;
    e.visible = action->isVisible();
    e.enabled = action->isEnabled();
    // A shown entry's enabled state is the one asked for; a hidden entry
    // reads disabled whatever was asked, so its record is kept.
    QObject::connect(action, &QAction::changed, watch_.get(), [&e] {
        e.visible = e.action->isVisible();
        if (e.visible)
            e.enabled = e.action->isEnabled();
    });
}

void ActionTable::set(MenuId id, bool Entry::*state, void (QAction::*apply)(bool), bool on)
{
    Entry& e = entries_[index(id)];
    if (!e.action || e.*state == on)
        return;
    e.*state = on;
    (e.action->*apply)(on);
}

void ActionTable::setEnabled(MenuId id, bool enabled) { set(id, &Entry::enabled, &QAction::setEnabled, enabled); }
void ActionTable::setVisible(MenuId id, bool visible) { set(id, &Entry::visible, &QAction::setVisible, visible); }

} // namespace ql
