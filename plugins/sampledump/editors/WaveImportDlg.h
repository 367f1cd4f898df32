#pragma once

// "Import Wave" choices: which channel of a multi-channel file becomes the
// sample (mix by default) and the dump's bits per sample (16 by default).

#include <QDialog>

#include <string>

#include "FlintkitWave.h"

class QRadioButton;
class QSpinBox;

namespace flintkit {

class CWaveImportDlg final : public QDialog {
public:
    CWaveImportDlg(const std::string& path, const CWaveFacts& facts, QWidget* parent = nullptr);

    QRadioButton& ChannelButton(WaveChannel channel) const;
    QSpinBox& Bits() const { return *m_bits; }
    CWaveImportChoice GetChoice() const;

private:
    QRadioButton* m_left = nullptr;
    QRadioButton* m_right = nullptr;
    QRadioButton* m_mix = nullptr;
    QSpinBox* m_bits = nullptr;
};

}  // namespace flintkit
