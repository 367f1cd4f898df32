#include "SampleEditDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "FlintkitDump.h"
#include "FlintkitPatch.h"
#include "SampleOverview.h"

namespace flintkit {

// A loop point that shows nothing while the loop is off.
class CLoopPointBox final : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void SetBlank(bool blank) {
        m_blank = blank;
        setEnabled(!blank);
        lineEdit()->setText(textFromValue(value()));
    }

protected:
    QString textFromValue(int value) const override { return m_blank ? QString() : QSpinBox::textFromValue(value); }

private:
    bool m_blank = false;
};

namespace {

// The list's order: "Forward only", "Alternating", "Off".
constexpr int kLoopTypes[] = {kLoopForward, kLoopAlternating, kLoopOff};

int LoopIndex(int type) {
    if (type == kLoopForward) return 0;
    if (type == kLoopAlternating) return 1;
    return 2;
}

}  // namespace

CSampleEditDlg::CSampleEditDlg(CFlintkitSamplePatch& patch, QWidget* parent) : QDialog(parent), m_patch(patch) {
    setWindowTitle(QStringLiteral("Edit Sample Dump Standard"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    m_number = new QSpinBox(this);
    m_number->setObjectName(QStringLiteral("number"));
    m_number->setRange(0, kMaxSampleNumber);
    m_number->setValue(patch.GetSampleNumber());
    form->addRow(QStringLiteral("Number:"), m_number);
    m_format = new QSpinBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    m_format->setRange(kMinFormatBits, kMaxFormatBits);
    m_format->setSuffix(QStringLiteral(" Bit"));
    m_format->setValue(patch.GetFormat());
    m_initialFormat = m_format->value();
    form->addRow(QStringLiteral("Format:"), m_format);

    m_rate = new QSpinBox(this);
    m_rate->setObjectName(QStringLiteral("rate"));
    // Periods of 1 ns to the longest a header holds.
    m_rate->setRange(RateFromPeriod(kMax21Bit), 1'000'000'000);
    m_rate->setSuffix(QStringLiteral(" Hz"));
    m_rate->setValue(patch.GetRate());
    // A damaged period (0) shows the nearest rate but is rewritten only when the rate is changed.
    m_initialRate = m_rate->value();
    m_period = new QLabel(this);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(m_rate);
    rateRow->addWidget(m_period);
    form->addRow(QStringLiteral("Frequency:"), rateRow);
    const auto showPeriod = [this] {
        const int period = m_rate->value() == m_initialRate ? m_patch.GetPeriod() : PeriodFromRate(m_rate->value());
        m_period->setText(QStringLiteral("(%1 ns)").arg(period));
    };
    showPeriod();
    connect(m_rate, &QSpinBox::valueChanged, this, showPeriod);

    const int length = patch.GetLength();
    form->addRow(QStringLiteral("Length:"), new QLabel(QStringLiteral("%1 Samples").arg(length), this));

    auto* loop = new QGroupBox(QStringLiteral("Loop"), this);
    auto* loopForm = new QFormLayout(loop);
    m_loopType = new QComboBox(loop);
    m_loopType->setObjectName(QStringLiteral("loopType"));
    m_loopType->addItems({QStringLiteral("Forward only"), QStringLiteral("Alternating"), QStringLiteral("Off")});
    m_initialLoopIndex = LoopIndex(patch.GetLoopType());
    m_loopType->setCurrentIndex(m_initialLoopIndex);
    loopForm->addRow(QStringLiteral("Type:"), m_loopType);

    // Points outside the sample (as a device may send them) are shown limited
    // to it, and OK stores them so.
    const int last = std::max(length - 1, 0);
    const int end = std::clamp(patch.GetLoopEnd(), 0, last);
    const int start = std::clamp(patch.GetLoopStart(), 0, end);
    m_loopStart = new CLoopPointBox(loop);
    m_loopStart->setObjectName(QStringLiteral("loopStart"));
    m_loopStart->setRange(0, end);
    m_loopStart->setValue(start);
    m_loopEnd = new CLoopPointBox(loop);
    m_loopEnd->setObjectName(QStringLiteral("loopEnd"));
    m_loopEnd->setRange(start, last);
    m_loopEnd->setValue(end);
    loopForm->addRow(QStringLiteral("Startsample:"), m_loopStart);
    loopForm->addRow(QStringLiteral("Endsample:"), m_loopEnd);
    layout->addWidget(loop);
    connect(m_loopStart, &QSpinBox::valueChanged, this, [this](int v) {
        m_loopEnd->setMinimum(v);
        ShowLoop();
    });
    connect(m_loopEnd, &QSpinBox::valueChanged, this, [this](int v) {
        m_loopStart->setMaximum(v);
        ShowLoop();
    });
    connect(m_loopType, &QComboBox::currentIndexChanged, this, [this] { ShowLoop(); });

    m_overview = new CSampleOverview(this);
    m_overview->SetSamples(patch.GetSamples());
    layout->addWidget(m_overview, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    ShowLoop();
}

QSpinBox& CSampleEditDlg::LoopStart() const { return *m_loopStart; }
QSpinBox& CSampleEditDlg::LoopEnd() const { return *m_loopEnd; }

void CSampleEditDlg::ShowLoop() {
    const bool off = kLoopTypes[m_loopType->currentIndex()] == kLoopOff;
    m_loopStart->SetBlank(off);
    m_loopEnd->SetBlank(off);
    m_overview->SetLoop(off ? std::nullopt : std::optional(std::pair{m_loopStart->value(), m_loopEnd->value()}));
}

void CSampleEditDlg::accept() {
    // Only what differs from the sample is written, so an untouched rate keeps
    // its exact period (22675 ns shows as 44100 Hz, like 22676). A new format
    // re-encodes the samples; the header values stay.
    const auto store = [this](int before, int after, auto set) {
        if (before == after) return;
        (m_patch.*set)(after);
        m_changed = true;
    };
    if (m_format->value() != m_initialFormat)
        store(m_patch.GetFormat(), m_format->value(), &CFlintkitSamplePatch::ConvertFormat);
    store(m_patch.GetSampleNumber(), m_number->value(), &CFlintkitSamplePatch::SetSampleNumber);
    if (m_rate->value() != m_initialRate)
        store(m_patch.GetPeriod(), PeriodFromRate(m_rate->value()), &CFlintkitSamplePatch::SetPeriod);
    const int index = m_loopType->currentIndex();
    if (index != m_initialLoopIndex)
        store(m_patch.GetLoopType(), kLoopTypes[index], &CFlintkitSamplePatch::SetLoopType);
    if (kLoopTypes[index] != kLoopOff) {
        store(m_patch.GetLoopStart(), m_loopStart->value(), &CFlintkitSamplePatch::SetLoopStart);
        store(m_patch.GetLoopEnd(), m_loopEnd->value(), &CFlintkitSamplePatch::SetLoopEnd);
    }
    QDialog::accept();
}

}  // namespace flintkit
