#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ControllerDocument.h"
#include "ItemData.h"

namespace tonalith::test {

// Records what the form sends, with a chosen number of devices.
class CRecordingOutput : public CControllerOutput {
public:
    explicit CRecordingOutput(int devices = 4) : m_devices(devices) {}
    int GetDeviceCount() const override { return m_devices; }
    std::string GetDeviceName(int port) const override { return "Port " + std::to_string(port); }
    bool SendLong(int port, std::span<const std::uint8_t> bytes) override {
        sent.emplace_back(port, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        return true;
    }
    std::vector<std::vector<std::uint8_t>> Messages() const {
        std::vector<std::vector<std::uint8_t>> bytes;
        for (const auto& [port, message] : sent) bytes.push_back(message);
        return bytes;
    }

    int m_devices;
    std::vector<std::pair<int, std::vector<std::uint8_t>>> sent;
};

template <typename T>
std::unique_ptr<CContainerItem> MakeItem(CRect rect, void (*setup)(T&) = nullptr) {
    auto data = std::make_unique<T>();
    if (setup) setup(*data);
    return std::make_unique<CContainerItem>(rect, std::move(data));
}

// A form with one item of every kind, every field set away from its default:
// group (0), knob (1), slider (2), button (3), radio (4).
inline void FillSampleForm(CControllerDocument& doc) {
    doc.InsertItem(0, MakeItem<CGroupItemData>({5, 6, 300, 200}, [](CGroupItemData& d) {
                       d.m_strText = "Filter";
                       d.m_nBorder = CGroupItemData::Both;
                       d.m_bShowGroupFrame = 0;
                   }));
    doc.InsertItem(1, MakeItem<CKnobItemData>({10, 20, 60, 70}, [](CKnobItemData& d) {
                       d.m_nType = 2, d.m_nController = 74, d.m_strMessage = "BK TT XX", d.m_nPort = 3,
                       d.m_nChannel = 9;
                       d.m_nEncoding = 0, d.m_nValue = -5, d.m_nOffset = 10, d.m_strTooltip = "Cutoff",
                       d.m_nRemote = 21;
                       d.m_nMinimum = -20, d.m_nMaximum = 100;
                   }));
    doc.InsertItem(2, MakeItem<CSliderItemData>({-4, 0, 56, 250}, [](CSliderItemData& d) {
                       d.m_nType = 6, d.m_nController = -1, d.m_strMessage = "F0 41 10 42 12 40 00 XX SS F7";
                       d.m_nEncoding = 1, d.m_nPort = 1, d.m_nRemote = 22, d.m_nMinimum = 1, d.m_nMaximum = 99,
                       d.m_nVertical = 0;
                   }));
    doc.InsertItem(3, MakeItem<CButtonItemData>({70, 20, 120, 70}, [](CButtonItemData& d) {
                       d.m_nType = 0, d.m_strMessage = "9K 3C XX", d.m_nOff = -1, d.m_nOn = 99, d.m_bIsPushbutton = 1;
                       d.m_strCaption = "Hold";
                   }));
    doc.InsertItem(4, MakeItem<CRadioItemData>({130, 20, 230, 44}, [](CRadioItemData& d) {
                       d.m_nType = 3, d.m_strMessage = "CK XX", d.m_strTexts = "Saw\r\nSquare\r\n",
                       d.m_strValues = "0\r\n1\r\n";
                       d.m_nPort = 2;
                   }));
    doc.SetInfo("Ann Author", "ann@example.org", "Filter panel");
}

}  // namespace tonalith::test
