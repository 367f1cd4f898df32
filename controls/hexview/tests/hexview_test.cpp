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
                      Message({0x00, 0x01, 0x06, 0x01}), Message({0x00, 0x05, 0x06, 0x01}),
                      Message({0x41, 0x10})}) {
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
    int argc = 1;
    char name[] = "hexview_tests";
    char* argv[] = {name};
    QApplication app(argc, argv);
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
    QTest::mouseMove(&control, QPoint(8 + control.GetInset(), 8));
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(spy.back().at(0).toString(), "Packet size: 5 Bytes.");
    EXPECT_GT(control.GetVisibleLinesCount(), 0);
}
