// The envelope control: dragging and keys change exactly one point and report
// exactly its new time and level; ranges, fixed levels and the enable state hold.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "UiTestSupport.h"
#include "tonalith/ui/Envctrl.h"

using namespace tonalith::test;

namespace {

class EnvctrlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApp(); }
    void SetUp() override {
        m_env.resize(600, 300);
        for (int p = 0; p < CEnvctrl::kPoints; ++p) m_env.SetPoint(p, 40, 100 - 20 * p);
    }
    // Times and levels of every point.
    std::vector<std::pair<int, int>> Points() const {
        std::vector<std::pair<int, int>> out;
        for (int p = 0; p < CEnvctrl::kPoints; ++p) out.emplace_back(m_env.GetTime(p), m_env.GetLevel(p));
        return out;
    }
    double TimeUnit() const {  // pixels per time step, measured on the control
        CEnvctrl probe;
        probe.resize(m_env.size());
        probe.SetTime(0, 0);
        const double x0 = probe.PointPosition(0).x();
        probe.SetTime(0, 100);
        return (probe.PointPosition(0).x() - x0) / 100.0;
    }

    CEnvctrl m_env;
};

}  // namespace

TEST_F(EnvctrlTest, DraggingAPointReportsExactlyItsNewTimeAndLevel) {
    QSignalSpy spy(&m_env, &CEnvctrl::pointChanged);
    const auto before = Points();
    const QPointF from = m_env.PointPosition(1);
    const double unit = TimeUnit();
    // Right by 12 time steps, up by about a tenth of the height.
    Drag(m_env, from, from + QPointF(12 * unit, -25));
    ASSERT_GE(spy.count(), 1);
    for (const QList<QVariant>& args : spy) EXPECT_EQ(args[0].toInt(), 1);  // no other point reported
    EXPECT_EQ(spy.last()[1].toInt(), m_env.GetTime(1));
    EXPECT_EQ(spy.last()[2].toInt(), m_env.GetLevel(1));
    EXPECT_EQ(m_env.GetTime(1), 52);
    EXPECT_GT(m_env.GetLevel(1), before[1].second);
    const auto after = Points();
    for (int p : {0, 2, 3}) EXPECT_EQ(after[static_cast<std::size_t>(p)], before[static_cast<std::size_t>(p)]);
    EXPECT_EQ(m_env.GetSelectedPoint(), 1);
    // The point now sits under the pointer.
    EXPECT_NEAR(m_env.PointPosition(1).x(), from.x() + 12 * unit, unit);

    // Far outside the graphic: the ends of the ranges, nothing beyond.
    Drag(m_env, m_env.PointPosition(2), QPointF(1e5, -1e5));
    EXPECT_EQ(m_env.GetTime(2), 127);
    EXPECT_EQ(m_env.GetLevel(2), 127);
    Drag(m_env, m_env.PointPosition(2), QPointF(-1e5, 1e5));
    EXPECT_EQ(m_env.GetTime(2), 0);
    EXPECT_EQ(m_env.GetLevel(2), 0);
    EXPECT_EQ(spy.last()[0].toInt(), 2);
    EXPECT_EQ(spy.last()[1].toInt(), 0);
    EXPECT_EQ(spy.last()[2].toInt(), 0);

    // A press away from every point moves nothing.
    const int count = spy.count();
    Drag(m_env, QPointF(2, 2), QPointF(300, 150));
    EXPECT_EQ(spy.count(), count);
}

TEST_F(EnvctrlTest, AFixedLevelOnlyMovesInTime) {
    m_env.SetLevel(3, 0);
    m_env.SetLevelFixed(3, true);
    QSignalSpy spy(&m_env, &CEnvctrl::pointChanged);
    const QPointF from = m_env.PointPosition(3);
    Drag(m_env, from, from + QPointF(-5 * TimeUnit(), -100));
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(m_env.GetLevel(3), 0);
    EXPECT_EQ(m_env.GetTime(3), 35);
    EXPECT_EQ(spy.last()[2].toInt(), 0);
    const int count = spy.count();
    m_env.SelectPoint(3);
    QTest::keyClick(&m_env, Qt::Key_Up);
    EXPECT_EQ(m_env.GetLevel(3), 0);
    EXPECT_EQ(spy.count(), count);
}

TEST_F(EnvctrlTest, KeysSelectAndMoveThePoints) {
    m_env.SetLevelRange(-63, 63);
    QSignalSpy spy(&m_env, &CEnvctrl::pointChanged);
    QTest::keyClick(&m_env, Qt::Key_3);
    EXPECT_EQ(m_env.GetSelectedPoint(), 2);
    QTest::keyClick(&m_env, Qt::Key_Right);
    QTest::keyClick(&m_env, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m_env.GetTime(2), 41);
    EXPECT_EQ(m_env.GetLevel(2), 50);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0], (QList<QVariant>{2, 41, 60}));
    EXPECT_EQ(spy[1], (QList<QVariant>{2, 41, 50}));
    for (int i = 0; i < 20; ++i) QTest::keyClick(&m_env, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m_env.GetLevel(2), -63);
    QTest::keyClick(&m_env, Qt::Key_9);  // no such point
    EXPECT_EQ(m_env.GetSelectedPoint(), 2);
    EXPECT_EQ(m_env.GetShownHelpText(), "T3: 41  L3: -63");
    m_env.SetHelpText("Attack");
    EXPECT_EQ(m_env.GetShownHelpText(), "Attack");
}

TEST_F(EnvctrlTest, TabStepsThroughThePointsThenLeaves) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit(&window);
    auto* env = new CEnvctrl(&window);
    auto* after = new QLineEdit(&window);
    layout->addWidget(before);
    layout->addWidget(env);
    layout->addWidget(after);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(env->hasFocus());
    EXPECT_EQ(env->GetSelectedPoint(), 0);
    for (int p = 1; p < CEnvctrl::kPoints; ++p) {
        QTest::keyClick(env, Qt::Key_Tab);
        EXPECT_TRUE(env->hasFocus());
        EXPECT_EQ(env->GetSelectedPoint(), p);
    }
    QTest::keyClick(env, Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
    QTest::keyClick(after, Qt::Key_Backtab);
    EXPECT_TRUE(env->hasFocus());
    EXPECT_EQ(env->GetSelectedPoint(), CEnvctrl::kPoints - 1);
    QTest::keyClick(env, Qt::Key_Backtab);
    EXPECT_EQ(env->GetSelectedPoint(), CEnvctrl::kPoints - 2);
}

TEST_F(EnvctrlTest, ADisabledControlTakesNoInput) {
    m_env.setEnabled(false);
    QSignalSpy spy(&m_env, &CEnvctrl::pointChanged);
    const auto before = Points();
    const QPointF from = m_env.PointPosition(0);
    Drag(m_env, from, from + QPointF(50, -50));
    QTest::keyClick(&m_env, Qt::Key_Up);
    QTest::keyClick(&m_env, Qt::Key_2);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(Points(), before);
    EXPECT_EQ(m_env.GetSelectedPoint(), 0);
}

TEST_F(EnvctrlTest, SettersClampAndStayQuiet) {
    QSignalSpy spy(&m_env, &CEnvctrl::pointChanged);
    m_env.SetPoint(0, 300, -5);
    EXPECT_EQ(m_env.GetTime(0), 127);
    EXPECT_EQ(m_env.GetLevel(0), 0);
    m_env.SetTimeRange(0, 100);
    EXPECT_EQ(m_env.GetTime(0), 100);
    m_env.SetPoint(7, 1, 1);  // no such point: ignored
    EXPECT_EQ(m_env.GetTime(7), 0);
    EXPECT_EQ(spy.count(), 0);
}
