#pragma once

// "Import JV/XP performances...": JV/XP performances from a SysEx file become
// XV user performances. The reading and conversion are plain functions, so the
// tool, the command line and the tests share them.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Commands.h"
#include "SynthTool.h"

class CXVPerformance;
class CXVPerformanceLayer;
class CXVSynthMemory;

namespace jvimport {

inline constexpr int kJVPartData = 26;  // the widest part message (JV-2080); others are widened
inline constexpr int kJVParts = 16;
inline constexpr int kMaxPerformances = 32;

// The bytes of one JV/XP performance the conversion needs.
struct JVPerformance {
    std::string name;  // 12 characters
    bool temporary = false;
    std::array<std::optional<std::array<std::uint8_t, kJVPartData>>, kJVParts> parts;
};

// Reads up to 32 performances (the first one only when it is the temporary
// performance) from JV/XP SysEx (model 6A). Other messages and stray bytes are
// skipped; parts of 19 and 25 data bytes are widened to 26.
std::vector<JVPerformance> ReadJVPerformances(std::span<const std::uint8_t> bytes);

// Writes the JV performance's name and parts 1..16 into the XV performance;
// XV parts 17..32 and every other byte stay as they were.
void ConvertJVPerformance(const JVPerformance& jv, CXVPerformance& xv);
// The XV part bytes for one JV part (only the bytes the mapping names change).
void ConvertJVPart(std::span<const std::uint8_t, kJVPartData> j, std::span<std::uint8_t> x);

}  // namespace jvimport

// Replaces some performances of the XV performance layer; undo puts the old ones back.
class CImportPerformancesCommand : public CBasicCommand {
public:
    CImportPerformancesCommand(CXVPerformanceLayer& layer, std::vector<int> indices,
                               std::vector<std::unique_ptr<class CPatch>> newPatches);
    ~CImportPerformancesCommand() override;
    void Execute() override;
    void Undo() override;
    std::string GetText() const override { return "Import JV/XP performances"; }
    int GetCount() const { return static_cast<int>(m_indices.size()); }

private:
    CXVPerformanceLayer& m_layer;
    std::vector<int> m_indices;
    std::vector<std::unique_ptr<CPatch>> m_old;
    std::vector<std::unique_ptr<CPatch>> m_new;
};

// The import as one undoable command: the k-th JV performance of the file goes
// to XV user performance k. Null when the bytes hold no JV performance.
std::unique_ptr<CImportPerformancesCommand> MakeJVPerformanceImport(std::span<const std::uint8_t> bytes,
                                                                    CXVPerformanceLayer& layer);
// Runs that command on commands (or directly when null); the number of
// performances imported.
int ImportJVPerformances(std::span<const std::uint8_t> bytes, CXVPerformanceLayer& layer, CCmdManager* commands);

class CImportJVPerformancesTool : public CSynthTool {
public:
    explicit CImportJVPerformancesTool(CXVSynthMemory& memory);
    void Execute(const CToolContext& context) override;
    std::string GetMenuText() const override { return "Import JV/XP performances..."; }
};
