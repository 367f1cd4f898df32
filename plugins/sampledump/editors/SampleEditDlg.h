#pragma once

// "Edit Sample Dump Standard": the dump header's values with a waveform
// overview. The sample number, the format (the samples re-encoded), the rate
// and the loop can be changed; the length is that of the data and shown only.

#include <QDialog>

class CFlintkitSamplePatch;
class QComboBox;
class QLabel;
class QSpinBox;

namespace flintkit {

class CLoopPointBox;
class CSampleOverview;

class CSampleEditDlg final : public QDialog {
public:
    CSampleEditDlg(CFlintkitSamplePatch& patch, QWidget* parent = nullptr);

    QSpinBox& Number() const { return *m_number; }
    QSpinBox& Format() const { return *m_format; }
    QSpinBox& Rate() const { return *m_rate; }
    QComboBox& LoopType() const { return *m_loopType; }
    QSpinBox& LoopStart() const;
    QSpinBox& LoopEnd() const;
    QLabel& Period() const { return *m_period; }
    CSampleOverview& Overview() const { return *m_overview; }
    // Whether OK wrote anything into the sample.
    bool Changed() const { return m_changed; }

    void accept() override;

private:
    void ShowLoop();

    CFlintkitSamplePatch& m_patch;
    QSpinBox* m_number = nullptr;
    QSpinBox* m_format = nullptr;
    QSpinBox* m_rate = nullptr;
    QLabel* m_period = nullptr;
    QComboBox* m_loopType = nullptr;
    CLoopPointBox* m_loopStart = nullptr;
    CLoopPointBox* m_loopEnd = nullptr;
    CSampleOverview* m_overview = nullptr;
    int m_initialFormat = 0;
    int m_initialRate = 0;
    int m_initialLoopIndex = 0;
    bool m_changed = false;
};

}  // namespace flintkit
