#pragma once
// What a person would see wrong with a chart's shown legends: one that
// leaves the plot, stands on the left axis texts or covers another.
#include "controls/curvegraph.h"

#include <QLabel>
#include <QStringList>

namespace qltest {

struct LegendLook {
    int shown = 0;
    QStringList faults;  // empty when every shown legend stands clear
};

inline LegendLook lookAtLegends(const ql::CurveGraph& g)
{
    LegendLook out;
    const auto* surface = g.findChild<QWidget*>(QStringLiteral("picGraph"));
    std::vector<const QLabel*> shown;
    for (int i = 0; i < g.CurveCount(); ++i) {
        const auto* l = g.findChild<QLabel*>(QStringLiteral("lblLegend%1").arg(i));
        if (l && !l->isHidden())
            shown.push_back(l);
    }
    out.shown = int(shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        const QString name = shown[i]->objectName();
        if (!surface->rect().contains(shown[i]->geometry()))
            out.faults << name + QStringLiteral(" leaves the plot");
        if (shown[i]->x() < 50)
            out.faults << name + QStringLiteral(" stands on the axis texts");
        for (size_t j = i + 1; j < shown.size(); ++j)
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                out.faults << name + QStringLiteral(" covers ") + shown[j]->objectName();
    }
    return out;
}

} // namespace qltest
