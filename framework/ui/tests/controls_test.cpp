// The knob and the chooser: every way of changing them stays inside the range,
// only the user's changes are signalled, and each control paints at twice the
// pixel density.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/Envctrl.h"
#include "tonalith/ui/KeyboardStrip.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/MidiKeyInputDlg.h"

using namespace tonalith::test;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApp(); }
};

// Every value a spy saw lies in minimum..maximum.
void ExpectInRange(const QSignalSpy& spy, int minimum, int maximum) {
    for (const QList<QVariant>& args : spy) {
        EXPECT_GE(args[0].toInt(), minimum);
        EXPECT_LE(args[0].toInt(), maximum);
    }
}

}  // namespace

TEST_F(ControlsTest, KnobKeysStepAndStopAtTheEnds) {
    CKnob knob("Cutoff", 0, 127, 64);
    QSignalSpy spy(&knob, &CKnob::valueChanged);
    QTest::keyClick(&knob, Qt::Key_Up);
    EXPECT_EQ(knob.GetValue(), 65);
    QTest::keyClick(&knob, Qt::Key_Left);
    QTest::keyClick(&knob, Qt::Key_Down);
    EXPECT_EQ(knob.GetValue(), 63);
    QTest::keyClick(&knob, Qt::Key_PageUp);
    EXPECT_EQ(knob.GetValue(), 63 + knob.GetPageStep());
    EXPECT_EQ(knob.GetPageStep(), 10);
    QTest::keyClick(&knob, Qt::Key_End);
    EXPECT_EQ(knob.GetValue(), 127);
    const int before = spy.count();
    QTest::keyClick(&knob, Qt::Key_Up);  // already at the top: no change, no signal
    QTest::keyClick(&knob, Qt::Key_PageUp);
    EXPECT_EQ(knob.GetValue(), 127);
    EXPECT_EQ(spy.count(), before);
    QTest::keyClick(&knob, Qt::Key_Home);
    EXPECT_EQ(knob.GetValue(), 0);
    QTest::keyClick(&knob, Qt::Key_PageDown);
    QTest::keyClick(&knob, Qt::Key_Down);
    EXPECT_EQ(knob.GetValue(), 0);
    ExpectInRange(spy, 0, 127);
    EXPECT_EQ(spy.last()[0].toInt(), 0);

    // A small list range: page step 1, and a bipolar range.
    CKnob wave("Wave", 0, 3, 0);
    EXPECT_EQ(wave.GetPageStep(), 1);
    CKnob pan("Pan", -64, 63, 0);
    QTest::keyClick(&pan, Qt::Key_PageDown);
    EXPECT_EQ(pan.GetValue(), -10);
}

TEST_F(ControlsTest, KnobWheelStepsOnceANotchAndAddsUpSmallDeltas) {
    CKnob knob("Level", 0, 127, 120);
    QSignalSpy spy(&knob, &CKnob::valueChanged);
    SendWheel(knob, 120);
    EXPECT_EQ(knob.GetValue(), 121);
    SendWheel(knob, -360);
    EXPECT_EQ(knob.GetValue(), 118);
    for (int i = 0; i < 4; ++i) SendWheel(knob, 30);  // a touchpad: quarter notches
    EXPECT_EQ(knob.GetValue(), 119);
    for (int i = 0; i < 20; ++i) SendWheel(knob, 120);
    EXPECT_EQ(knob.GetValue(), 127);
    SendWheel(knob, -120 * 1000);
    EXPECT_EQ(knob.GetValue(), 0);
    ExpectInRange(spy, 0, 127);
}

TEST_F(ControlsTest, KnobDragFollowsThePointerWithinTheRange) {
    CKnob knob("Resonance", 0, 127, 64);
    knob.resize(knob.sizeHint());
    QSignalSpy spy(&knob, &CKnob::valueChanged);
    const QPointF centre(knob.width() / 2.0, knob.height() / 2.0);
    const double line = knob.fontMetrics().height();

    Drag(knob, centre, centre - QPointF(0, 3 * line));  // up a quarter of the drag span
    const int coarse = knob.GetValue() - 64;
    EXPECT_GT(coarse, 20);
    EXPECT_LT(coarse, 45);

    knob.SetValue(64);
    Drag(knob, centre, centre - QPointF(0, 3 * line), Qt::ShiftModifier);
    const int fine = knob.GetValue() - 64;
    EXPECT_GT(fine, 0);
    EXPECT_LT(fine, coarse);

    Drag(knob, centre, centre - QPointF(0, 1e6));  // far above: the top, not an overflow
    EXPECT_EQ(knob.GetValue(), 127);
    Drag(knob, centre, centre + QPointF(0, 1e6));
    EXPECT_EQ(knob.GetValue(), 0);
    ExpectInRange(spy, 0, 127);

    // A mouse move without a press changes nothing.
    SendMouse(knob, QEvent::MouseMove, centre - QPointF(0, 50), Qt::NoButton);
    EXPECT_EQ(knob.GetValue(), 0);
}

TEST_F(ControlsTest, KnobResetAndSetValueAreQuietDoubleClickIsNot) {
    CKnob knob("Fine", -50, 50, 0);
    QSignalSpy spy(&knob, &CKnob::valueChanged);
    knob.SetValue(30);
    EXPECT_EQ(knob.GetValue(), 30);
    knob.SetValue(500);
    EXPECT_EQ(knob.GetValue(), 50);
    knob.Reset();
    EXPECT_EQ(knob.GetValue(), 0);
    EXPECT_EQ(spy.count(), 0);

    knob.SetValue(-20);
    QTest::mouseDClick(&knob, Qt::LeftButton);
    EXPECT_EQ(knob.GetValue(), 0);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.last()[0].toInt(), 0);

    // Narrowing the range clamps value and default without a signal.
    knob.SetValue(40);
    knob.SetRange(10, 20);
    EXPECT_EQ(knob.GetValue(), 20);
    EXPECT_EQ(knob.GetDefault(), 10);
    knob.SetRange(5, -5);  // reversed ends are swapped
    EXPECT_EQ(knob.GetMinimum(), -5);
    EXPECT_EQ(knob.GetMaximum(), 5);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(ControlsTest, KnobShowsTheFormattersText) {
    CKnob pan("Pan", -64, 63, 0);
    pan.SetFormatter([](int v) {
        return v < 0 ? QString("L%1").arg(-v) : v > 0 ? QString("%1R").arg(v) : QString("0");
    });
    EXPECT_EQ(pan.GetValueText(), "0");
    pan.SetValue(-64);
    EXPECT_EQ(pan.GetValueText(), "L64");
    pan.SetValue(63);
    EXPECT_EQ(pan.GetValueText(), "63R");
    // Room for the widest text of the range, wherever it lies in a list.
    EXPECT_GE(pan.sizeHint().width(), pan.fontMetrics().horizontalAdvance("L64"));
    CKnob wave("Wave", 0, 2, 0);
    const QStringList texts{"SAW", "SQUARE (PULSE WIDTH MOD)", "TRI"};
    wave.SetFormatter([&texts](int v) { return texts.value(v); });
    EXPECT_GE(wave.sizeHint().width(), wave.fontMetrics().horizontalAdvance(texts[1]));
}

TEST_F(ControlsTest, ChooserMapsSelectionsToItemValues) {
    CChooseCtrl chooser;
    QSignalSpy spy(&chooser, &CChooseCtrl::selectionChanged);
    // Values that are not positions: a list that skips values.
    chooser.AddItem("OFF", 0);
    chooser.AddItem("HOLD-1", 64);
    chooser.AddItem("SOSTENUTO", 66);
    EXPECT_EQ(chooser.GetItemValue(1), 64);
    EXPECT_EQ(chooser.GetItemValue(3), std::nullopt);
    EXPECT_EQ(chooser.GetItemValue(-1), std::nullopt);
    EXPECT_TRUE(chooser.SelectByValue(66));
    EXPECT_EQ(chooser.GetSelection(), 2);
    EXPECT_EQ(chooser.GetValue(), 66);
    EXPECT_FALSE(chooser.SelectByValue(65));
    EXPECT_EQ(chooser.GetSelection(), 2);
    chooser.SetSelection(7);  // outside: ignored
    EXPECT_EQ(chooser.GetSelection(), 2);
    chooser.SetDefault(64);
    chooser.Reset();
    EXPECT_EQ(chooser.GetValue(), 64);
    EXPECT_EQ(spy.count(), 0);

    // A list parameter whose texts start at value -3.
    chooser.SetDefault(0);
    chooser.SetItems(std::vector<std::string>{"-3", "-2", "-1", "0", "+1"}, -3);
    EXPECT_EQ(chooser.count(), 5);
    EXPECT_EQ(chooser.GetValue(), 0);  // the default is among them
    EXPECT_EQ(chooser.GetSelection(), 3);
    chooser.SetDefault(99);
    chooser.Reset();  // no item has the default: the first
    EXPECT_EQ(chooser.GetValue(), -3);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(ControlsTest, ChooserKeysAndWheelStepAndSignalTheItemValue) {
    CChooseCtrl chooser;
    chooser.SetItems(QStringList{"SAW", "SQUARE", "TRIANGLE"}, 10);
    QSignalSpy spy(&chooser, &CChooseCtrl::selectionChanged);
    QTest::keyClick(&chooser, Qt::Key_Down);
    EXPECT_EQ(chooser.GetValue(), 11);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.last()[0].toInt(), 1);
    EXPECT_EQ(spy.last()[1].toInt(), 11);
    SendWheel(chooser, -120);
    EXPECT_EQ(chooser.GetValue(), 12);
    EXPECT_EQ(spy.count(), 2);
    SendWheel(chooser, -120);  // at the end: stays, no signal
    EXPECT_EQ(chooser.GetValue(), 12);
    EXPECT_EQ(spy.count(), 2);
    SendWheel(chooser, 120);
    EXPECT_EQ(spy.last()[1].toInt(), 11);
}

TEST_F(ControlsTest, EveryControlPaintsAtTwiceThePixelDensity) {
    CKnob knob("Cutoff Frequency", -64, 63, 0);
    knob.SetValue(-30);
    knob.setFocus();
    EXPECT_GT(Ink(RenderAt2x(knob)), 100);
    knob.setEnabled(false);
    EXPECT_GT(Ink(RenderAt2x(knob)), 100);

    CChooseCtrl chooser;
    chooser.SetItems(QStringList{"ONE", "TWO"});
    EXPECT_GT(Ink(RenderAt2x(chooser)), 100);

    CEnvctrl env;
    env.SetLevelRange(-63, 63);
    env.SetPoint(0, 20, 63);
    env.SetPoint(1, 0, -63);  // a zero time: two points on one spot
    env.SetPoint(2, 127, 10);
    env.SetPoint(3, 127, 0);
    EXPECT_GT(Ink(RenderAt2x(env)), 100);
    env.setEnabled(false);
    env.SetSustainPoint(-1);
    EXPECT_GT(Ink(RenderAt2x(env)), 100);

    CKeyboardStrip keys;
    EXPECT_GT(Ink(RenderAt2x(keys)), 100);

    CMidiKeyInputDlg dialog(nullptr, 127);
    EXPECT_GT(Ink(RenderAt2x(dialog)), 100);

    // Tiny sizes must not break the painting either.
    knob.resize(3, 3);
    env.resize(2, 2);
    QImage tiny(QSize(8, 8), QImage::Format_ARGB32_Premultiplied);
    tiny.setDevicePixelRatio(2);
    knob.render(&tiny);
    env.render(&tiny);
}

TEST_F(ControlsTest, SizesFollowTheFont) {
    CKnob knob("Level", 0, 127, 0);
    CEnvctrl env;
    CKeyboardStrip keys;
    const QSize knobSmall = knob.sizeHint(), envSmall = env.sizeHint(), keysSmall = keys.sizeHint();
    QFont big = knob.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    knob.setFont(big);
    env.setFont(big);
    keys.setFont(big);
    EXPECT_GT(knob.sizeHint().height(), knobSmall.height() * 3 / 2);
    EXPECT_GT(env.sizeHint().height(), envSmall.height() * 3 / 2);
    EXPECT_GT(keys.sizeHint().width(), keysSmall.width() * 3 / 2);
}

// The knob is measured once for all its values' texts: none may be cut, kerned pairs,
// narrow and wide letters and long names alike.
TEST_F(ControlsTest, KnobIsWideEnoughForEveryValueText) {
    const QStringList texts{"AVA",        "iiiiiiii", "WWWW", "To Ty", "Fine Tune", "Wave Group: Int-A",
                            "-1200 cent", "Vo Wa Ye", "ff"};
    CKnob knob("", 0, static_cast<int>(texts.size()) - 1, 0);
    knob.SetFormatter([texts](int v) { return texts.value(v); });
    const QFontMetrics fm = knob.fontMetrics();
    for (const QString& text : texts)
        EXPECT_GE(knob.sizeHint().width(), fm.horizontalAdvance(text) + fm.averageCharWidth()) << text.toStdString();
}
