#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <fstream>
#include <sstream>

#include "BytemapCtrl.h"
#include "HexLines.h"
#include "TestSupport.h"

using hexview::BuildLines;
using hexview::InformationAt;

namespace {
void App() {
    static int argc = 1;
    static char name[] = "hexview_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);  // lives for the process
}

std::vector<std::uint8_t> Message(std::vector<std::uint8_t> body) {
    body.insert(body.begin(), 0xF0);
    body.push_back(0xF7);
    return body;
}
}  // namespace

TEST(HexLines, MessagesStartLinesAndLongOnesWrap) {
    // 20-byte message: 16 + 4 bytes, then the next message on the third line.
    std::vector<std::uint8_t> data = Message(std::vector<std::uint8_t>(18, 0x41));
    const auto second = Message({0x42, 0x30});
    data.insert(data.end(), second.begin(), second.end());
    const auto lines = BuildLines(data);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.hex[0].substr(0, 6), "F0 41 ");
    EXPECT_EQ(lines.hex[0].size(), 48u);
    EXPECT_EQ(lines.hex[1], "41 41 41 F7 ");
    EXPECT_EQ(lines.hex[2], "F0 42 30 F7 ");
    EXPECT_EQ(lines.chars[2], ".B0.");  // printable ASCII only: F0, F7 and 7F are no text
    EXPECT_EQ(lines.messageLines, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(lines.endPositions, (std::vector<std::size_t>{19, 23}));
}

TEST(HexLines, DataWithoutEndIsSixteenBytesALine) {
    const std::vector<std::uint8_t> data(40, 0x00);
    const auto lines = BuildLines(data);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.hex[2].size(), 8u * 3);
    EXPECT_TRUE(lines.endPositions.empty());
}

TEST(HexLines, PositionsBeyondSixtyFourKilobytes) {
    // A sample dump's size: the F7 far beyond 65,535 must be found where it is.
    std::vector<std::uint8_t> data(200000, 0x10);
    data[0] = 0xF0;
    data[1] = 0x7E;
    data[150001] = 0xF7;
    data[150002] = 0xF0;
    data[150003] = 0x42;
    data.back() = 0xF7;
    const auto lines = BuildLines(data);
    ASSERT_EQ(lines.endPositions.size(), 2u);
    EXPECT_EQ(lines.endPositions[0], 150001u);
    const std::size_t second = lines.messageLines[1];
    EXPECT_EQ(lines.lineStart[second], 150002u);
    EXPECT_EQ(InformationAt(lines, data, static_cast<long long>(second), 5, 4, 8), "Packet size: 49998 Bytes.");
    EXPECT_EQ(InformationAt(lines, data, static_cast<long long>(second), 30, 4, 8), "Manufacturer: KORG INC.");
}

TEST(HexLines, InformationNamesSizeAndManufacturer) {
    std::vector<std::uint8_t> data = Message({0x42, 0x30, 0x2B, 0x41});
    for (auto part : {Message({0x7E, 0x7F, 0x09, 0x01}), Message({0x00, 0x20, 0x00, 0x01}),
                      Message({0x00, 0x01, 0x06, 0x01}), Message({0x00, 0x05, 0x06, 0x01}), Message({0x41, 0x10})}) {
        data.insert(data.end(), part.begin(), part.end());
    }
    const auto lines = BuildLines(data);
    const int inset = 4, cw = 8;
    EXPECT_EQ(InformationAt(lines, data, 0, inset + cw, inset, cw), "Packet size: 6 Bytes.");
    EXPECT_EQ(InformationAt(lines, data, 0, inset + 4 * cw, inset, cw), "Manufacturer: KORG INC.");
    EXPECT_EQ(InformationAt(lines, data, 1, inset + 4 * cw, inset, cw), "Manufacturer: Universal Non-Real Time");
    EXPECT_EQ(InformationAt(lines, data, 2, inset + 10 * cw, inset, cw), "Manufacturer: DREAM");
    EXPECT_EQ(InformationAt(lines, data, 3, inset + 10 * cw, inset, cw), "Manufacturer: PreSonus");
    EXPECT_EQ(InformationAt(lines, data, 4, inset + 10 * cw, inset, cw), "Manufacturer: Unknown");
    EXPECT_EQ(InformationAt(lines, data, 5, inset + 4 * cw, inset, cw), "Manufacturer: ROLAND CORPORATION");
    // Beyond the id, and past the last line: nothing.
    EXPECT_EQ(InformationAt(lines, data, 0, inset + 6 * cw, inset, cw), "");
    EXPECT_EQ(InformationAt(lines, data, 2, inset + 12 * cw, inset, cw), "");
    EXPECT_EQ(InformationAt(lines, data, 6, inset, inset, cw), "");
    EXPECT_EQ(InformationAt(lines, data, -1, inset, inset, cw), "");
}

TEST(HexLines, ManufacturerTablesMatchThePublishedList) {
    EXPECT_EQ(hexview::ManufacturerGroupSize(255), 88);
    EXPECT_EQ(hexview::ManufacturerGroupSize(0), 128);
    EXPECT_EQ(hexview::ManufacturerGroupSize(1), 42);
    EXPECT_EQ(hexview::ManufacturerGroupSize(32), 57);
    EXPECT_EQ(hexview::ManufacturerGroupSize(2), 0);
    EXPECT_EQ(hexview::ManufacturerName(255, 0x01), "SEQUENTIAL CIRCUITS");
    EXPECT_EQ(hexview::ManufacturerName(255, 0x43), "YAMAHA CORPORATION");
    EXPECT_EQ(hexview::ManufacturerName(0, 0x01), "WARNER NEW MEDIA");
    EXPECT_EQ(hexview::ManufacturerName(0, 0x0E), "ALESIS");
    EXPECT_EQ(hexview::ManufacturerName(1, 0x05), "Midiman");
    EXPECT_EQ(hexview::ManufacturerName(255, 88), "");
    EXPECT_EQ(hexview::ManufacturerName(1, 42), "");
    // Every filled slot of the reference list is in the table.
    const auto reference = tonalith::test::ReferenceDir();
    if (!reference) GTEST_SKIP() << "no reference folder";
    std::ifstream in(*reference / "names" / "manufacturers.tsv");
    std::string line;
    int filled = 0, found = 0;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string id, group, name, status;
        std::getline(row, id, '\t');
        std::getline(row, group, '\t');
        std::getline(row, name, '\t');
        std::getline(row, status, '\t');
        if (status.rfind("filled", 0) != 0) continue;
        ++filled;
        const int index = std::stoi(id.substr(id.size() - 2), nullptr, 16);
        const int g = group == "1-byte" ? 255 : std::stoi(group.substr(3), nullptr, 16);
        if (!hexview::ManufacturerName(g, index).empty()) ++found;
    }
    EXPECT_EQ(filled, 230);
    EXPECT_EQ(found, filled);
}

TEST(BytemapCtrl, PropertiesDataAndInformationSignal) {
    App();
    CBytemapCtrl control;
    EXPECT_EQ(control.GetLineCount(), 3);  // the initial messages: 16 + 5 bytes, then 10
    control.SetLineOffset(-3);
    EXPECT_EQ(control.GetLineOffset(), 0);
    EXPECT_TRUE(control.setProperty("Inset", 6));
    EXPECT_EQ(control.GetInset(), 6);
    const std::vector<std::uint8_t> data = Message({0x42, 0x30, 0x2B});
    control.SetData(data);
    std::vector<std::uint8_t> back(data.size() + 10, 0xAA);
    control.GetData(back.data(), static_cast<long>(back.size()));  // asks for more than it holds
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    EXPECT_EQ(back[data.size()], 0xAA);
    control.resize(600, 200);
    control.show();
    QSignalSpy spy(&control, &CBytemapCtrl::Information);
    QTest::mouseMove(&control, QPoint(control.OffsetColumnWidth() + 8 + control.GetInset(), 8));
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(spy.back().at(0).toString(), "Packet size: 5 Bytes.");
    EXPECT_GT(control.GetVisibleLinesCount(), 0);
}

TEST(HexLines, EveryByteIsNamedByTheMessageHoldingIt) {
    // Two bytes of junk, a Roland message, one without F7 cut off by the next F0, a Korg message.
    std::vector<std::uint8_t> data = {0x11, 0x22};
    for (auto part :
         {Message({0x41, 0x10, 0x16, 0x12}), std::vector<std::uint8_t>{0xF0, 0x43, 0x01}, Message({0x42, 0x30})}) {
        data.insert(data.end(), part.begin(), part.end());
    }
    const auto messages = hexview::FindMessages(data);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(hexview::DescribeMessage(data, messages[0]), "message at 00000002: 6 bytes, ROLAND CORPORATION");
    EXPECT_EQ(hexview::DescribeMessage(data, messages[1]), "message at 00000008: 3 bytes, YAMAHA CORPORATION (no F7)");
    EXPECT_EQ(hexview::PlaceInformation(data, messages, 0), "Offset 00000000: outside any message");
    EXPECT_EQ(hexview::PlaceInformation(data, messages, 7),
              "Offset 00000007: message at 00000002: 6 bytes, ROLAND CORPORATION");  // its F7
    EXPECT_EQ(hexview::PlaceInformation(data, messages, 10),
              "Offset 0000000A: message at 00000008: 3 bytes, YAMAHA CORPORATION (no F7)");
    EXPECT_EQ(hexview::PlaceInformation(data, messages, 14),
              "Offset 0000000E: message at 0000000B: 4 bytes, KORG INC.");

    // Hex digits and text characters of the same byte name the same place; the gap between bytes does not.
    const auto lines = BuildLines(data);  // lines: 11 22 F0 41 10 16 12 F7 | F0 43 01 F0 42 30 F7
    const int inset = 4, cw = 8, textX = inset + 50 * cw;
    EXPECT_EQ(hexview::ByteAt(lines, 0, inset + 3 * 3 * cw + cw, inset, cw, textX), 3u);
    EXPECT_EQ(hexview::ByteAt(lines, 0, textX + 3 * cw + 1, inset, cw, textX), 3u);
    EXPECT_EQ(hexview::ByteAt(lines, 1, inset + 2 * 3 * cw, inset, cw, textX), 10u);
    EXPECT_EQ(hexview::ByteAt(lines, 0, inset + 3 * cw - 2, inset, cw, textX), std::nullopt);
    EXPECT_EQ(hexview::ByteAt(lines, 0, textX + 8 * cw, inset, cw, textX), std::nullopt);  // past the line's F7
    EXPECT_EQ(hexview::ByteAt(lines, 2, inset, inset, cw, textX), std::nullopt);
}

namespace {
// A control showing ten 30-byte messages (two lines each), sized to show a few lines.
struct ShownControl {
    struct AppFirst {
        AppFirst() { App(); }
    } app;
    std::vector<std::uint8_t> data;
    CBytemapCtrl control;
    ShownControl() {
        for (int i = 0; i < 10; ++i) {
            const auto m = Message(std::vector<std::uint8_t>(28, static_cast<std::uint8_t>(0x41 + i)));
            data.insert(data.end(), m.begin(), m.end());
        }
        data[1] = 0x42;  // the first from Korg
        data[31] = 0x41;  // the second from Roland
        control.SetData(data);
        control.resize(control.sizeHint().width(), 120);
        control.show();
    }
    // The centre of a byte's hex digits on a visible line.
    QPoint HexPoint(int lineOnScreen, int column) const {
        const int cw = control.OffsetColumnWidth() / 10;
        const int lh = control.sizeHint().height() / 20;
        return {static_cast<int>(control.OffsetColumnWidth() + control.GetInset() + 2 + 3 * column * cw + cw),
                lineOnScreen * lh + lh / 2};
    }
};
}  // namespace

TEST(BytemapCtrl, HoverAndClickSayWhatHexdumpSaysForThatByte) {
    ShownControl shown;
    QSignalSpy spy(&shown.control, &CBytemapCtrl::Information);
    // Line 3 holds bytes 46..59 of the second message (30..59): byte 0x32 is its fifth.
    QTest::mouseMove(&shown.control, shown.HexPoint(3, 4));
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(spy.back().at(0).toString(), "Offset 00000032: message at 0000001E: 30 bytes, ROLAND CORPORATION");
    QTest::mouseMove(&shown.control, shown.HexPoint(0, 0));
    EXPECT_EQ(spy.back().at(0).toString(), "Packet size: 30 Bytes.");
    QTest::mouseMove(&shown.control, shown.HexPoint(0, 1));
    EXPECT_EQ(spy.back().at(0).toString(), "Manufacturer: KORG INC.");
    // The offset column stands for its line's first byte; a click says the same as a hover.
    spy.clear();
    QTest::mouseClick(&shown.control, Qt::LeftButton, {},
                      QPoint(shown.control.GetInset() + 4, shown.HexPoint(1, 0).y()));
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(spy.back().at(0).toString(), "Offset 00000010: message at 00000000: 30 bytes, KORG INC.");
    EXPECT_TRUE(shown.control.hasFocus());
}

TEST(BytemapCtrl, AnEmptyPatchShowsAMessageInsteadOfAnEmptyGrid) {
    App();
    CBytemapCtrl control;
    control.SetData({});
    control.resize(control.sizeHint().width(), 200);
    EXPECT_EQ(control.GetLineCount(), 0);
    // Inside the frame only the message is drawn: dark pixels in the middle band, none above it.
    const QImage image = control.grab().toImage();
    auto darkIn = [&](int top, int bottom) {
        int dark = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 4; x < image.width() - 4; ++x) dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_GT(darkIn(image.height() / 2 - 10, image.height() / 2 + 10), 0);
    EXPECT_EQ(darkIn(4, image.height() / 4), 0);
    EXPECT_EQ(control.InformationAt(QPoint(50, 20)), "");
}
