#include "WaveImportDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <filesystem>

#include "FlintkitDump.h"

namespace flintkit {

namespace {

QString Describe(const std::string& path, const CWaveFacts& facts) {
    // File names on Linux are bytes, usually UTF-8.
    const QString name = QString::fromStdString(std::filesystem::path(path).filename().string());
    const QString channels = facts.channels == 1   ? QStringLiteral("mono")
                             : facts.channels == 2 ? QStringLiteral("stereo")
                                                   : QStringLiteral("%1 channels").arg(facts.channels);
    const QString bits = facts.bits > 0 ? QStringLiteral("%1 bit").arg(facts.bits) : QStringLiteral("compressed");
    return QStringLiteral("%1: %2, %3, %4 Hz, %5 samples").arg(name, channels, bits).arg(facts.rate).arg(facts.frames);
}

}  // namespace

CWaveImportDlg::CWaveImportDlg(const std::string& path, const CWaveFacts& facts, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import Wave"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Describe(path, facts), this));

    auto* channel = new QGroupBox(QStringLiteral("Channel"), this);
    auto* channelLayout = new QVBoxLayout(channel);
    m_left = new QRadioButton(QStringLiteral("&Left"), channel);
    m_right = new QRadioButton(QStringLiteral("&Right"), channel);
    m_mix = new QRadioButton(QStringLiteral("&Mix (the mean of all channels)"), channel);
    for (QRadioButton* b : {m_left, m_right, m_mix}) channelLayout->addWidget(b);
    m_mix->setChecked(true);
    // A mono file has nothing to choose.
    channel->setEnabled(facts.channels > 1);
    layout->addWidget(channel);

    auto* form = new QFormLayout;
    m_bits = new QSpinBox(this);
    m_bits->setRange(kMinFormatBits, kMaxFormatBits);
    m_bits->setValue(16);
    m_bits->setSuffix(QStringLiteral(" Bit"));
    form->addRow(QStringLiteral("Format:"), m_bits);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QRadioButton& CWaveImportDlg::ChannelButton(WaveChannel channel) const {
    switch (channel) {
    case WaveChannel::Left: return *m_left;
    case WaveChannel::Right: return *m_right;
    case WaveChannel::Mix: break;
    }
    return *m_mix;
}

CWaveImportChoice CWaveImportDlg::GetChoice() const {
    const WaveChannel channel = m_left->isChecked()    ? WaveChannel::Left
                                : m_right->isChecked() ? WaveChannel::Right
                                                       : WaveChannel::Mix;
    return {channel, m_bits->value()};
}

}  // namespace flintkit
