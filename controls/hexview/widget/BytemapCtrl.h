#pragma once

#include <QFont>
#include <QWidget>

#include <cstdint>
#include <span>
#include <vector>

#include "HexLines.h"

// The Bytemap control: SysEx data as hex, one message per group of lines, with
// F0/F7 and the manufacturer id marked. Tells its host what lies under the
// pointer through Information. The host scrolls by setting LineOffset; keys the
// control handles itself (Ctrl+Home, Ctrl+End) are reported through Scrolled.
class CBytemapCtrl final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(long LineOffset READ GetLineOffset WRITE SetLineOffset)
    Q_PROPERTY(long Inset READ GetInset WRITE SetInset)
    Q_PROPERTY(long LineSpacing READ GetLineSpacing WRITE SetLineSpacing)

public:
    explicit CBytemapCtrl(QWidget* parent = nullptr);

    long GetLineOffset() const { return m_lineOffset; }
    void SetLineOffset(long offset);
    long GetInset() const { return m_inset; }
    void SetInset(long inset);
    long GetLineSpacing() const { return m_lineSpacing; }
    void SetLineSpacing(long spacing);

    void SetData(std::span<const std::uint8_t> bytes);
    // Copies at most size bytes into target (never beyond what the control holds).
    void GetData(std::uint8_t* target, long size) const;
    const std::vector<std::uint8_t>& Data() const { return m_data; }
    long GetLineCount() const { return static_cast<long>(m_lines.size()); }
    bool IsModified() const { return false; }
    // Lines that fitted at the last paint (or, before one, that fit the current size).
    long GetVisibleLinesCount() const;
    const hexview::HexLines& Lines() const { return m_lines; }
    // The text Information carries for a pointer at p.
    QString InformationAt(QPoint p) const;
    // Drawn instead of the columns when there are no bytes.
    static QString EmptyText() { return QStringLiteral("This patch is empty: it holds no bytes."); }
    // Width of the offset column left of the hex bytes.
    int OffsetColumnWidth() const;
    QSize sizeHint() const override;

signals:
    void Information(const QString& info);
    void LayoutChanged();
    void Scrolled(long lineOffset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Measure() const;
    int LineHeight() const;
    long FittingLines(int height) const;

    std::vector<std::uint8_t> m_data;
    std::vector<hexview::Message> m_messages;
    hexview::HexLines m_lines;
    long m_lineOffset = 0;
    long m_inset = 4;
    long m_lineSpacing = 4;
    mutable long m_visibleLines = -1;
    QFont m_font;
    mutable int m_cw = 0;  // 0: to be measured
    mutable int m_ch = 0;
};
