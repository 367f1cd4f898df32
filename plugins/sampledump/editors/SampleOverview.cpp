#include "SampleOverview.h"

#include <QPainter>

#include <algorithm>

namespace flintkit {

std::vector<CColumnRange> ColumnRanges(std::span<const std::int16_t> samples, int columns) {
    std::vector<CColumnRange> ranges(static_cast<std::size_t>(std::max(columns, 0)));
    const auto n = static_cast<std::int64_t>(samples.size());
    if (n == 0) return ranges;
    for (int c = 0; c < columns; ++c) {
        const std::int64_t from = c * n / columns;
        const std::int64_t to = std::max((c + 1) * n / columns, from + 1);
        const auto [lo, hi] = std::minmax_element(samples.begin() + from, samples.begin() + to);
        ranges[static_cast<std::size_t>(c)] = {*lo, *hi};
    }
    return ranges;
}

CSampleOverview::CSampleOverview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 60);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CSampleOverview::SetSamples(std::vector<std::int16_t> samples) {
    m_samples = std::move(samples);
    m_columnsWidth = -1;
    update();
}

void CSampleOverview::SetLoop(std::optional<std::pair<int, int>> loop) {
    if (loop == m_loop) return;
    m_loop = loop;
    update();
}

int CSampleOverview::ColumnOf(int sample) const {
    if (m_samples.empty()) return 0;
    return static_cast<int>(static_cast<std::int64_t>(sample) * width() / static_cast<std::int64_t>(m_samples.size()));
}

void CSampleOverview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().base());
    const double middle = h / 2.0;
    const double scale = (h / 2.0 - 1) / 32768.0;
    painter.setPen(palette().mid().color());
    painter.drawLine(QPointF(0, middle), QPointF(w, middle));
    if (m_samples.empty()) return;

    if (m_loop) {
        const int x0 = ColumnOf(m_loop->first);
        const int x1 = std::max(ColumnOf(m_loop->second + 1), x0 + 1);
        QColor shade = palette().highlight().color();
        shade.setAlpha(40);
        painter.fillRect(QRect(x0, 0, x1 - x0, h), shade);
    }
    if (m_columnsWidth != w) {
        m_columns = ColumnRanges(m_samples, w);
        m_columnsWidth = w;
    }
    painter.setPen(palette().text().color());
    for (int x = 0; x < w; ++x) {
        const CColumnRange& r = m_columns[static_cast<std::size_t>(x)];
        int lo = r.min;
        int hi = r.max;
        if (x > 0) {  // reach the previous column, so steep slopes stay one line
            const CColumnRange& previous = m_columns[static_cast<std::size_t>(x - 1)];
            lo = std::min<int>(lo, previous.max);
            hi = std::max<int>(hi, previous.min);
        }
        painter.drawLine(QPointF(x + 0.5, middle - hi * scale), QPointF(x + 0.5, middle - lo * scale));
    }
    if (m_loop) {
        painter.setPen(QPen(QColor(0, 140, 0), 1));
        const int start = ColumnOf(m_loop->first);
        painter.drawLine(QPointF(start + 0.5, 0), QPointF(start + 0.5, h));
        painter.setPen(QPen(QColor(200, 0, 0), 1));
        const int end = std::max(ColumnOf(m_loop->second + 1) - 1, start);
        painter.drawLine(QPointF(end + 0.5, 0), QPointF(end + 0.5, h));
    }
}

}  // namespace flintkit
