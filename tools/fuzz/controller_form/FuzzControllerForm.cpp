// A controller form file. A form that loads must save and load again to an equal
// form with the same bytes; one that fails must leave the open form untouched.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Archive.h"
#include "ControllerDocument.h"
#include "ControllerMessage.h"
#include "File.h"
#include "FuzzSupport.h"

namespace {

// The device count bounds the port numbers a form may hold; never opens a device.
class CFixedOutput : public CControllerOutput {
public:
    int GetDeviceCount() const override { return 4; }
    std::string GetDeviceName(int port) const override { return "Port " + std::to_string(port); }
    bool SendLong(int, std::span<const std::uint8_t>) override { return true; }
};

bool Load(CControllerDocument& doc, std::span<const std::uint8_t> bytes) {
    CMemFile file(bytes, "fuzz.cof");
    CArchive ar(file, CArchive::load);
    try {
        doc.Serialize(ar);
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tonalith::fuzz::InstallQuietUi();
    static CFixedOutput output;

    CControllerDocument doc;
    doc.SetOutput(&output);
    if (!Load(doc, std::span<const std::uint8_t>(data, size))) {
        if (doc.GetItemCount() != 0) __builtin_trap();  // a failed load changed the form
        return 0;
    }
    const auto saved = doc.SaveToBytes();
    CControllerDocument again;
    again.SetOutput(&output);
    if (!Load(again, saved)) __builtin_trap();  // a saved form must open
    if (!again.IsEqual(doc)) __builtin_trap();
    if (again.SaveToBytes() != saved) __builtin_trap();
    return 0;
}
