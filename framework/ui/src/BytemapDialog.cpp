#include "tonalith/ui/BytemapDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "BytemapCtrl.h"

CBytemapDialog::CBytemapDialog(std::span<const std::uint8_t> bytes, const QString& title, QWidget* parent)
    : QDialog(parent), m_bytemap(new CBytemapCtrl(this)), m_scroll(new QScrollBar(Qt::Vertical, this)),
      m_info(new QLabel(this)) {
    setWindowTitle(title);
    m_bytemap->SetData(bytes);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(m_bytemap, 1);
    row->addWidget(m_scroll);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_info, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    m_info->setMinimumWidth(300);

    connect(m_scroll, &QScrollBar::valueChanged, m_bytemap, [this](int v) { m_bytemap->SetLineOffset(v); });
    connect(m_bytemap, &CBytemapCtrl::LayoutChanged, this, &CBytemapDialog::UpdateScrollBar);
    connect(m_bytemap, &CBytemapCtrl::Scrolled, m_scroll,
            [this](long offset) { m_scroll->setValue(static_cast<int>(std::min<long>(offset, INT32_MAX))); });
    connect(m_bytemap, &CBytemapCtrl::Information, m_info, &QLabel::setText);
    // Wide enough for the offset, hex and character columns of 16 bytes.
    resize(std::max(640, m_bytemap->sizeHint().width() + m_scroll->sizeHint().width() + 24), 480);
    UpdateScrollBar();
}

QString CBytemapDialog::InformationText() const { return m_info->text(); }

void CBytemapDialog::UpdateScrollBar() {
    const long lines = m_bytemap->GetLineCount();
    const long visible = std::max(1L, m_bytemap->GetVisibleLinesCount());
    const long maximum = std::max(0L, lines - visible);
    // Line counts of multi-megabyte dumps still fit an int: 16 bytes a line.
    m_scroll->setRange(0, static_cast<int>(std::min<long>(maximum, INT32_MAX)));
    m_scroll->setPageStep(static_cast<int>(std::min<long>(visible, INT32_MAX)));
    m_scroll->setSingleStep(1);
    m_scroll->setEnabled(maximum > 0);
}

void CBytemapDialog::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 40;
    m_scroll->setValue(m_scroll->value() - steps);
    event->accept();
}
