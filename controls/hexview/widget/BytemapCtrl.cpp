#include "BytemapCtrl.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {
// Shown until the host sets data: two short messages.
constexpr std::uint8_t kInitialData[] = {0xF0, 0x41, 0x10, 0x10, 0x40, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x10, 0x12, 0x33, 0x4A, 0x33, 0x4A, 0x33, 0x4A, 0x5A, 0xF7, 0xF0,
                                         0x00, 0x20, 0x33, 0x40, 0x12, 0x33, 0x34, 0x7A, 0xF7};
}  // namespace

CBytemapCtrl::CBytemapCtrl(QWidget* parent) : QWidget(parent) {
    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setPixelSize(16);
    m_font.setWeight(QFont::Normal);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 80);
    SetData(kInitialData);
}

void CBytemapCtrl::SetLineOffset(long offset) {
    m_lineOffset = std::max(0L, offset);
    update();
}

void CBytemapCtrl::SetInset(long inset) {
    m_inset = inset;
    m_cw = 0;
    update();
    emit LayoutChanged();
}

void CBytemapCtrl::SetLineSpacing(long spacing) {
    m_lineSpacing = spacing;
    m_cw = 0;
    update();
    emit LayoutChanged();
}

void CBytemapCtrl::SetData(std::span<const std::uint8_t> bytes) {
    m_data.assign(bytes.begin(), bytes.end());
    m_lines = hexview::BuildLines(m_data);
    m_messages = hexview::FindMessages(m_data);
    update();
    emit LayoutChanged();
}

void CBytemapCtrl::GetData(std::uint8_t* target, long size) const {
    if (!target || size <= 0) return;
    const auto n = std::min(static_cast<std::size_t>(size), m_data.size());
    std::copy_n(m_data.begin(), n, target);
}

void CBytemapCtrl::Measure() const {
    if (m_cw > 0) return;
    const QFontMetrics metrics(m_font);
    m_cw = std::max(1, metrics.horizontalAdvance(QLatin1Char('W')));
    m_ch = std::max(1, metrics.height());
}

int CBytemapCtrl::OffsetColumnWidth() const {
    Measure();
    return 10 * m_cw;  // eight hex digits and a gap
}

QSize CBytemapCtrl::sizeHint() const {
    Measure();
    // Offset, 16 hex bytes, the separator and 16 characters, with room to spare.
    return {OffsetColumnWidth() + 68 * m_cw + 2 * static_cast<int>(m_inset), 20 * LineHeight()};
}

int CBytemapCtrl::LineHeight() const {
    Measure();
    return std::max(1, m_ch + static_cast<int>(m_lineSpacing));
}

long CBytemapCtrl::FittingLines(int height) const {
    return std::max(0L, (m_lineSpacing + height - 2 * m_inset) / LineHeight());
}

long CBytemapCtrl::GetVisibleLinesCount() const {
    return m_visibleLines >= 0 ? m_visibleLines : FittingLines(height());
}

void CBytemapCtrl::resizeEvent(QResizeEvent*) {
    m_visibleLines = FittingLines(height());
    emit LayoutChanged();
}

void CBytemapCtrl::wheelEvent(QWheelEvent* event) {
    // Scrolling belongs to the host (it owns the scroll bar); pass the wheel on.
    event->ignore();
}

void CBytemapCtrl::paintEvent(QPaintEvent*) {
    // Drawn into a pixmap first and copied in one block, so scrolling does not flicker.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    buffer.fill(Qt::white);
    {
        QPainter p(&buffer);
        p.setFont(m_font);
        Measure();
        const int inset = static_cast<int>(m_inset);
        const int cw = m_cw, ch = m_ch, lh = LineHeight();
        const int hexX = inset + 2, charX = inset + 50 * cw;
        m_visibleLines = FittingLines(height());
        const QFontMetrics metrics(m_font);
        const long count = GetLineCount();
        if (count == 0) {
            p.setPen(Qt::black);
            p.drawText(rect().adjusted(inset, inset, -inset, -inset), Qt::AlignCenter | Qt::TextWordWrap, EmptyText());
        }
        // The hex and text columns sit right of the offset column.
        const int offsetWidth = OffsetColumnWidth();
        p.translate(offsetWidth, 0);
        int y = inset;
        for (long line = m_lineOffset; line < count && line < m_lineOffset + m_visibleLines; ++line, y += lh) {
            const std::string& hex = m_lines.hex[static_cast<std::size_t>(line)];
            const int base = y + metrics.ascent();
            const auto start = static_cast<qulonglong>(m_lines.lineStart[static_cast<std::size_t>(line)]);
            p.setPen(QColor(96, 96, 96));
            p.drawText(hexX - offsetWidth, base, QStringLiteral("%1").arg(start, 8, 16, QLatin1Char('0')).toUpper());
            if (hex.rfind("F0", 0) == 0) {
                p.fillRect(QRect(QPoint(inset, y), QPoint(2 * inset + 2 * cw, y + ch)), QColor(255, 0, 0));
                const int extra = hex.rfind("F0 00", 0) == 0 ? 6 * cw : 0;
                p.fillRect(QRect(QPoint(inset + 3 * cw, y), QPoint(2 * inset + 5 * cw + extra, y + ch)),
                           QColor(255, 255, 0));
            }
            if (hex.size() >= 3 && hex.compare(hex.size() - 3, 3, "F7 ") == 0) {
                const int x = inset + cw * static_cast<int>(hex.size() - 3);
                p.fillRect(QRect(x, y, 2 * cw + inset, ch), QColor(255, 0, 0));
            }
            p.setPen(Qt::black);
            // Each byte at its own column: the marks are placed in whole character
            // widths, and a font's fractional advance would drift away from them.
            for (std::size_t k = 0; k + 1 < hex.size(); k += 3)
                p.drawText(hexX + static_cast<int>(k) * cw, base, QString::fromLatin1(hex.data() + k, 2));
            const std::string& chars = m_lines.chars[static_cast<std::size_t>(line)];
            for (std::size_t k = 0; k < chars.size(); ++k)
                p.drawText(charX + static_cast<int>(k) * cw, base,
                           QString(QChar(static_cast<unsigned char>(chars[k]))));
        }
        if (count > 0) {
            const int sepX = inset + 49 * cw - 2;
            p.setPen(Qt::black);
            p.drawLine(sepX, inset + 2, sepX, height() - (inset + 2));
        }
        p.resetTransform();
        // A sunken frame: dark above and left, light below and right.
        const QRect outer = rect().adjusted(0, 0, -1, -1);
        const QRect inner = outer.adjusted(1, 1, -1, -1);
        p.setPen(QColor(132, 130, 132));
        p.drawLine(outer.topLeft(), outer.topRight());
        p.drawLine(outer.topLeft(), outer.bottomLeft());
        p.setPen(Qt::white);
        p.drawLine(outer.bottomLeft(), outer.bottomRight());
        p.drawLine(outer.topRight(), outer.bottomRight());
        p.setPen(Qt::black);
        p.drawLine(inner.topLeft(), inner.topRight());
        p.drawLine(inner.topLeft(), inner.bottomLeft());
        p.setPen(QColor(198, 195, 198));
        p.drawLine(inner.bottomLeft(), inner.bottomRight());
        p.drawLine(inner.topRight(), inner.bottomRight());
    }
    QPainter(this).drawPixmap(0, 0, buffer);
}

QString CBytemapCtrl::InformationAt(QPoint pos) const {
    const long long line = pos.y() / LineHeight() + static_cast<long long>(m_lineOffset);
    const int inset = static_cast<int>(m_inset);
    const int x = pos.x() - OffsetColumnWidth();
    // Over the F0 mark and the id: the packet size and the manufacturer.
    std::string text = x >= 0 ? hexview::InformationAt(m_lines, m_data, line, x, inset, m_cw) : std::string();
    if (text.empty()) {
        // Over the offset column the line's first byte is meant.
        const auto byte = hexview::ByteAt(m_lines, line, std::max(x, inset), inset, m_cw, inset + 50 * m_cw);
        if (byte) text = hexview::PlaceInformation(m_data, m_messages, *byte);
    }
    return QString::fromStdString(text);
}

void CBytemapCtrl::mouseMoveEvent(QMouseEvent* event) {
    emit Information(InformationAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void CBytemapCtrl::mousePressEvent(QMouseEvent* event) {
    // A click names the place as well, and takes the focus for the keys.
    setFocus(Qt::MouseFocusReason);
    emit Information(InformationAt(event->position().toPoint()));
    QWidget::mousePressEvent(event);
}

void CBytemapCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::ControlModifier && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
        const long last = std::max(0L, GetLineCount() - std::max(1L, GetVisibleLinesCount()));
        SetLineOffset(event->key() == Qt::Key_Home ? 0 : last);
        emit Scrolled(m_lineOffset);
        return;
    }
    QWidget::keyPressEvent(event);
}
