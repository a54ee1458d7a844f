#pragma once
// A main window for the view tests: real panels, charts and run grids in
// frames, and the link state.
#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "panel/devctrl.h"
#include "views/viewhost.h"

#include "testutil.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace qltest {

class FakeViewHost : public ql::ViewHost {
public:
    explicit FakeViewHost(int devices = 1)
    {
        win.resize(900, 600);
        for (int n = 0; n < devices; ++n) {
            Slot s;
            s.frame = new QWidget(&win);
            s.frame->setGeometry(0, 0, 900, 600);
            s.chart = new ql::CurveGraph(s.frame);
            s.chart->setGeometry(3, 10, 520, 400);
            s.grid = new ql::FlexGrid(s.frame);
            s.grid->setRows(3);
            s.grid->setCols(9);
            s.grid->setFixedRows(1);
            s.grid->setGeometry(3, 420, 520, 60);
            s.grid->setTextMatrix(1, 0, QStringLiteral("QL-K01"));
            s.panel = new ql::DevCtrl(n, s.frame);
            s.panel->move(530, 10);
            parts.push_back(s);
        }
    }
    QWidget* window() const override { return const_cast<QWidget*>(&win); }
    int DevCount() const override { return int(parts.size()); }
    int CurDev() const override { return cur; }
    ql::DevCtrl* panel(int n) const override { return parts.at(size_t(n)).panel; }
    ql::CurveGraph* chart(int n) const override { return parts.at(size_t(n)).chart; }
    ql::FlexGrid* grid(int n) const override { return parts.at(size_t(n)).grid; }
    QWidget* frame(int n) const override { return parts.at(size_t(n)).frame; }
    const ql::LinkState& link() const override { return state; }
    void setTitleText(int n, const QString& text) override
    {
        state.slot.at(size_t(n)).TitleText = text;
        parts.at(size_t(n)).chart->setTitleText(text);
    }
    QString DevName(int n, int chn) const override { return parts.at(size_t(n)).grid->TextMatrix(chn + 1, 0); }
    bool Dev2S(int n) const override { return parts.at(size_t(n)).panel->Dev2S(); }
    QDateTime now() const override { return clock; }
    void setMenuTemp(bool checked) override { menuTemp = checked; }

    struct Slot {
        QWidget* frame = nullptr;
        ql::CurveGraph* chart = nullptr;
        ql::FlexGrid* grid = nullptr;
        ql::DevCtrl* panel = nullptr;
    };
    QWidget win;
    std::vector<Slot> parts;
    ql::LinkState state;
    int cur = 0;
    bool menuTemp = false;
    QDateTime clock{QDate(2024, 3, 5), QTime(7, 8, 9)};
};

} // namespace qltest
