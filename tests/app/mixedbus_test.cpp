// Replies on a slot's line that are not its device's: another model on a
// mixed-up bus, a channel the device does not have.
#include "apptest.h"

#include "controls/curvegraph.h"
#include "controls/flexgrid.h"
#include "sim/devsim.h"

#include <QLocale>

using namespace qltest;
using ql::sim::DeviceSim;

namespace {

// The current column of a live record's rows (the lines after its six
// header lines).
QList<double> recordCurrents(const QString& path)
{
    QList<double> out;
    for (const QString& row : fileLines(path).mid(6))
        out << QLocale::c().toDouble(row.split('\t').value(1));
    return out;
}

} // namespace

// A type-11 run at 1.00 A (10 mA units) gets, between its own replies,
// replies of type 18 (1 mA units: the same current reads as 10.00 A) and
// of type 26 (auxiliary voltages where the capacity stands), and channel-1
// replies although it has one channel. None of them is a sample: no row,
// point, readout or energy of them, and one log line per connect of each
// kind (another type, a missing channel).
TEST_F(DeviceAppTest, RepliesOfAnotherTypeOrChannelAreNoSamples)
{
    DeviceSim dev(11, 300);
    auto w = connectedWindow(dev, 3);
    ASSERT_TRUE(w);
    ql::SlotView& s = inside(w).slot(0);
    const ql::ChanState& c = inside(w).link().ch(0, 0);
    startRun(*w, "1.00", "3.00");
    const QString record = recordOf(*w);
    auto rowsGrowBy = [&](int n) {
        const qsizetype before = recordCurrents(record).size();
        return waitFor([&] { return recordCurrents(record).size() >= before + n; });
    };
    ASSERT_TRUE(rowsGrowBy(2));

    for (const int foreign : {18, 26}) {
        dev.mixInType(foreign);
        ASSERT_TRUE(rowsGrowBy(6));
    }
    dev.mixInType(0);
    for (int i = 0; i < 6; ++i) {
        dev.sendReply(1, DeviceSim::Reply::Data);
        ASSERT_TRUE(rowsGrowBy(1));
    }

    const QList<double> currents = recordCurrents(record);
    for (const double a : currents)
        EXPECT_NEAR(a, 1.0, 0.011) << "a row of another device";
    for (int i = 0; i < int(runCurve(w, 1).size()); ++i)
        EXPECT_NEAR(runCurve(w, 1)[size_t(i)].Y, 1.0, 0.011) << "a current point of another device, at " << i;
    EXPECT_EQ(c.CurText, "01.00");
    EXPECT_LT(c.Energy, 0.05f) << c.EnergyCell.toStdString();  // watt hours: seconds at 4 W
    for (int col = 0; col < s.gridRun->Cols(); ++col)
        EXPECT_EQ(s.gridRun->TextMatrix(2, col), "") << "column " << col;
    EXPECT_TRUE(inside(w).link().ch(0, 1).VoltText.isEmpty());

    const QStringList log = errorLog();
    EXPECT_EQ(log.filter("in reply, connected to type 11").size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter("[ErrComm]type 18 in reply").size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter("[ErrComm]channel 1 in reply").size(), 1) << log.join('\n').toStdString();
    closeWindow(*w);
    dev.stop();
}
