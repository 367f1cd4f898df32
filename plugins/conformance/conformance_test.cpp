// What every synth memory must do, checked on each plug-in built into this tree:
// creation, initial patches, layer round trips, clones, equality and its
// fingerprint, labels, and survival of cut-off dumps.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "File.h"
#include "Parameters.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "Ui.h"

namespace fs = std::filesystem;

namespace {

class Plugins : public ::testing::Environment {
public:
    void SetUp() override { CSynthMemoryFactory::SetSearchPath({PLUGIN_DIR}); }
    void TearDown() override { CSynthMemoryFactory::Delete(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Plugins);  // gtest owns it

std::vector<std::string> PluginNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(PLUGIN_DIR, ec))
        if (entry.path().extension() == ".so") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Conformance : public ::testing::TestWithParam<std::string> {
protected:
    CSynthMemory& Prototype() {
        const std::string path = (fs::path(PLUGIN_DIR) / (GetParam() + ".so")).lexically_normal().string();
        auto& factory = CSynthMemoryFactory::Get();
        for (int i = 0; i < factory.GetCount(); ++i)
            if (fs::path(factory.GetDLLPathFromName(factory.GetMemory(i).GetName())).filename() ==
                fs::path(path).filename())
                return factory.GetMemory(i);
        ADD_FAILURE() << GetParam() << " was not loaded";
        return factory.GetGenericMemory();
    }
    static std::vector<std::uint8_t> SaveLayer(CLayer& layer) {
        CMemFile out;
        layer.Save(out);
        return out.Data();
    }
    CScopedScriptedUi m_ui;  // plug-ins may report through message boxes
};

TEST_P(Conformance, CreatesCompleteMemoriesWithLabelsAndDistinctTypes) {
    CSynthMemory& prototype = Prototype();
    auto memory = prototype.CreateMemory();
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->GetMemoryGuid(), prototype.GetMemoryGuid());
    EXPECT_FALSE(memory->GetName().empty());
    EXPECT_FALSE(memory->GetVersion().empty());
    EXPECT_NE(memory->GetSynth(), nullptr);
    EXPECT_EQ(memory->GetSynth(), prototype.GetSynth());
    std::set<GUID> layerTypes;
    for (int l = 0; l < memory->GetLayerCount(); ++l) {
        CLayer& layer = memory->GetLayer(l);
        EXPECT_TRUE(layerTypes.insert(layer.GetLayerGuid()).second) << layer.GetName();
        const GUID type = layer.GetPatch(0)->GetPatchType();
        EXPECT_NE(type, layer.GetLayerGuid());
        for (int p = 0; p < layer.GetPatchCount(); ++p) {
            ASSERT_NE(layer.GetPatch(p), nullptr);
            EXPECT_EQ(layer.GetPatch(p)->GetPatchType(), type);
            EXPECT_FALSE(layer.GetPatchLabel(p).empty()) << layer.GetName() << " " << p;
        }
    }
}

// Makes a patch differ from a new one: its name, and a value of its parameter
// table (or, without one, its last data byte), so a Load that reads nothing fails.
void Mark(CPatch& patch, int index) {
    if (patch.GetNameLength() > 0) patch.SetName("RT" + std::to_string(index));
    if (const CParameterTable* table = patch.GetParameterTable(); table && !table->GetParameters().empty()) {
        for (const CParameter& parameter : table->GetParameters()) {
            if (parameter.maximum <= parameter.minimum) continue;
            const int value = table->GetValue(patch, parameter);
            table->SetValue(patch, parameter, value == parameter.maximum ? parameter.minimum : value + 1);
            return;
        }
    }
    if (patch.GetDataSize() > 0) {
        std::uint8_t& last = patch.GetData()[patch.GetDataSize() - 1];
        last = static_cast<std::uint8_t>((last ^ 1) & 0x7F);
    }
}

TEST_P(Conformance, EveryLayerSurvivesSaveAndLoadUnchanged) {
    auto memory = Prototype().CreateMemory();
    for (int l = 0; l < memory->GetLayerCount(); ++l) {
        CLayer& layer = memory->GetLayer(l);
        for (int p = 0; p < layer.GetPatchCount(); ++p) Mark(*layer.GetPatch(p), p);
        layer.UpdatePatchNumbers();
        const auto saved = SaveLayer(layer);
        if (saved.empty()) continue;  // a layer that is never written alone
        auto fresh = Prototype().CreateMemory();
        ASSERT_NE(SaveLayer(fresh->GetLayer(l)), saved) << layer.GetName() << ": marking changed nothing";
        CMemFile in(saved, "layer.syx");
        fresh->Load(in);
        EXPECT_TRUE(fresh->GetLoadProblems().empty()) << layer.GetName() << ": " << fresh->GetLoadProblems().front();
        EXPECT_EQ(SaveLayer(fresh->GetLayer(l)), saved) << layer.GetName();
        for (int p = 0; p < layer.GetPatchCount(); ++p)
            EXPECT_EQ(fresh->GetLayer(l).GetPatch(p)->GetName(), layer.GetPatch(p)->GetName()) << layer.GetName();
    }
}

TEST_P(Conformance, ClonesAreIndependentAndEqualityMatchesFingerprints) {
    auto memory = Prototype().CreateMemory();
    for (int l = 0; l < memory->GetLayerCount(); ++l) {
        const CPatch& patch = *memory->GetLayer(l).GetPatch(0);
        auto clone = patch.Clone();
        EXPECT_EQ(clone->GetPatchType(), patch.GetPatchType());
        EXPECT_EQ(clone->GetParentLayerCount(), patch.GetParentLayerCount());
        EXPECT_EQ(clone->GetChildLayerCount(), patch.GetChildLayerCount());
        if (patch.GetDataSize() > 0) {
            EXPECT_NE(clone->GetData(), patch.GetData());
            // Changing the clone leaves the original as it was.
            const std::vector<std::uint8_t> before(patch.Data().begin(), patch.Data().end());
            const std::string name = patch.GetName();
            Mark(*clone, 7);
            EXPECT_TRUE(std::equal(before.begin(), before.end(), patch.Data().begin(), patch.Data().end()))
                << patch.GetTypeName();
            EXPECT_EQ(patch.GetName(), name);
            clone = patch.Clone();
        }
        if (patch.IsEqual(patch)) {
            ASSERT_TRUE(patch.GetFingerprint().has_value()) << patch.GetTypeName();
            EXPECT_TRUE(clone->IsEqual(patch));
            EXPECT_EQ(clone->GetFingerprint(), patch.GetFingerprint());
        }
        // Library storage reads back what it wrote.
        CMemFile stored;
        patch.Save(stored);
        EXPECT_EQ(static_cast<int>(stored.GetLength()), patch.GetPatchSize(false)) << patch.GetTypeName();
    }
}

// Record-based formats may keep the complete records before the cut, so this
// only demands that loading ends at the end of the data without a crash.
TEST_P(Conformance, CutOffAndDamagedDumpsAreSurvived) {
    auto source = Prototype().CreateMemory();
    for (int l = 0; l < source->GetLayerCount(); ++l) {
        const auto saved = SaveLayer(source->GetLayer(l));
        if (saved.size() < 8) continue;
        for (const std::size_t cut : {std::size_t{7}, saved.size() / 2, saved.size() - 1}) {
            for (const bool scramble : {false, true}) {
                std::vector<std::uint8_t> damaged(saved.begin(), saved.begin() + static_cast<long>(cut));
                if (scramble)
                    for (std::size_t i = 6; i < damaged.size(); ++i)
                        damaged[i] = static_cast<std::uint8_t>(i * 37 % 251);
                auto memory = Prototype().CreateMemory();
                CMemFile in(damaged, "cut.syx");
                memory->Load(in);
                EXPECT_EQ(in.GetPosition(), damaged.size()) << memory->GetLayer(l).GetName() << " cut at " << cut;
            }
        }
    }
}

// Without plug-ins every check above would pass by checking nothing.
TEST(ConformanceSetup, PluginsAreBuilt) { EXPECT_FALSE(PluginNames().empty()) << "no plug-in in " << PLUGIN_DIR; }

INSTANTIATE_TEST_SUITE_P(Plugins, Conformance, ::testing::ValuesIn(PluginNames()),
                         [](const auto& instance) { return instance.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Conformance);

}  // namespace
