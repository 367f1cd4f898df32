#pragma once

#include <cstdint>
#include <vector>

#include "File.h"
#include "XVRecords.h"
#include "XVSynthMemory.h"

namespace xvtest {

// Fills every data byte after the name with a pattern that differs per record,
// so misplaced or lost bytes show.
inline void Scribble(CXVRecord& record, int salt) {
    for (int m = 0; m < record.GetMessageCount(); ++m) {
        auto d = record.MessageData(m);
        const std::size_t from = m == 0 && record.GetNameLength() > 0 ? xv::kNameLength : 0;
        for (std::size_t i = from; i < d.size(); ++i)
            d[i] = static_cast<std::uint8_t>((salt * 31 + m * 7 + static_cast<int>(i) * 3) & 0x7F);
    }
}

// Part p of a performance plays what bank select msb / lsb and program pc select.
inline void SetPart(CXVPerformance& perf, int p, std::uint8_t msb, std::uint8_t lsb, std::uint8_t pc) {
    perf.PartData(p)[xv::kPartBankMsb] = msb;
    perf.PartData(p)[xv::kPartBankLsb] = lsb;
    perf.PartData(p)[xv::kPartProgram] = pc;
}

inline std::vector<std::uint8_t> SaveLayer(CLayer& layer) {
    CMemFile file;
    layer.Save(file);
    return file.Data();
}

inline std::vector<std::uint8_t> SaveAll(CXVSynthMemory& memory) {
    CMemFile file;
    for (int i = 0; i < memory.GetLayerCount(); ++i) memory.GetLayer(i).Save(file);
    return file.Data();
}

inline void LoadInto(CXVSynthMemory& memory, std::vector<std::uint8_t> bytes) {
    CMemFile file(std::move(bytes), "test.syx");
    memory.Load(file);
}

}  // namespace xvtest
