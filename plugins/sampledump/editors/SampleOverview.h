#pragma once

// A waveform overview: the lowest and highest sample under each pixel column,
// so a click or spike shorter than a column still shows, with the loop drawn.

#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace flintkit {

struct CColumnRange {
    std::int16_t min = 0;
    std::int16_t max = 0;
    friend bool operator==(const CColumnRange&, const CColumnRange&) = default;
};

// columns ranges over samples: column c covers samples [c*n/columns, (c+1)*n/columns),
// or the one sample under it when there are fewer samples than columns.
std::vector<CColumnRange> ColumnRanges(std::span<const std::int16_t> samples, int columns);

class CSampleOverview final : public QWidget {
public:
    explicit CSampleOverview(QWidget* parent = nullptr);

    void SetSamples(std::vector<std::int16_t> samples);
    // First and last sample of the loop; nullopt when the loop is off.
    void SetLoop(std::optional<std::pair<int, int>> loop);
    const std::optional<std::pair<int, int>>& GetLoop() const { return m_loop; }
    // The column of a sample's left edge at the current width.
    int ColumnOf(int sample) const;

    QSize sizeHint() const override { return {480, 120}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<std::int16_t> m_samples;
    std::optional<std::pair<int, int>> m_loop;
    std::vector<CColumnRange> m_columns;  // for m_columnsWidth
    int m_columnsWidth = -1;
};

}  // namespace flintkit
